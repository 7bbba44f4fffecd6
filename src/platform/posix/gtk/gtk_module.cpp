// The graphical module: shows the program's dialogs from their templates with GTK 3, and
// its message boxes. Loaded by the program only when it has something to show.
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/gtk/gtk_module.h"

namespace {

using platform::DialogControl;
using platform::DialogInitEntry;
using platform::DialogResource;
using platform::DialogTemplate;
using platform::DialogWindow;
using platform::posix::GtkDialogEvents;
using platform::posix::GtkModule;
using platform::posix::IconImage;

// Style bits of the templates beyond those the portable code names.
constexpr std::uint32_t kStyleDisabled = 0x08000000;
constexpr std::uint32_t kButtonMultiline = 0x00002000;
constexpr std::uint32_t kStaticTypeLeft = 0x0, kStaticTypeCenter = 0x1, kStaticTypeRight = 0x2;
constexpr std::uint32_t kStaticNoWrap = 0xC;  // SS_LEFTNOWORDWRAP
constexpr std::uint32_t kStaticNoPrefix = 0x80;

// Control classes by their names in templates.
const char kButtonClass[] = "Button";
const char kStaticClass[] = "Static";
const char kComboBoxClass[] = "ComboBox";
const char kUpDownClass[] = "msctls_updown32";

bool IsClass(const DialogControl& control, const char* name) {
  return g_ascii_strcasecmp(control.className.c_str(), name) == 0;
}

int ControlId(const DialogControl& control) {
  return static_cast<int>(static_cast<std::int32_t>(control.id));
}

// A control's text for GTK: "&x" marks a mnemonic ("_x"), "&&" is one ampersand, and an
// underscore of the text stays one.
std::string ToMnemonic(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      out += text[i] == '&' ? "&" : "_";
      if (text[i] != '&')
        out += text[i] == '_' ? "__" : std::string(1, text[i]);
    } else if (text[i] == '_') {
      out += "__";
    } else if (text[i] != '\r') {
      out += text[i];
    }
  }
  return out;
}

std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// The dialog's base units, from its font's average character width and height as
// Windows computes them.
struct BaseUnits {
  int x = 6;
  int y = 13;
  int Horizontal(int units) const { return (units * x + 2) / 4; }
  int Vertical(int units) const { return (units * y + 4) / 8; }
};

BaseUnits MeasureFont(GtkWidget* widget, const PangoFontDescription* font) {
  BaseUnits units;
  PangoContext* context = gtk_widget_get_pango_context(widget);
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  PangoFontMetrics* metrics = pango_context_get_metrics(context, font, nullptr);
  const int lineHeight = PANGO_PIXELS(pango_font_metrics_get_ascent(metrics) +
                                      pango_font_metrics_get_descent(metrics));
  pango_font_metrics_unref(metrics);
  if (width > 0)
    units.x = (width / 26 + 1) / 2;
  if (lineHeight > 0)
    units.y = lineHeight;
  return units;
}

// Controls sized as the template says: compact paddings, so that a button of 14 units
// holds its text as on Windows.
const char kDialogStyle[] =
    ".kwu-dialog button { padding: 0 4px; min-height: 0; min-width: 0; }"
    ".kwu-dialog combobox button { padding: 0 2px 0 4px; }"
    ".kwu-dialog combobox arrow { min-width: 10px; min-height: 10px; }"
    ".kwu-dialog radio { margin: 0 4px 0 0; min-width: 12px; min-height: 12px; }"
    ".kwu-dialog .kwu-updown button { padding: 0; }";

enum class Kind { kPushButton, kRadio, kCheckBox, kStatic, kIcon, kCombo, kUpDown, kOther };

struct Control {
  DialogControl source;
  Kind kind = Kind::kOther;
  GtkWidget* widget = nullptr;
  GtkWidget* label = nullptr;  // the text part of a button, or the static text
  std::string text;            // as the dialog set it
};

class TemplateDialog;

struct Signal {
  TemplateDialog* dialog;
  std::size_t control;
  int delta;  // up-down buttons: +1 or -1
};

class TemplateDialog : public DialogWindow {
public:
  TemplateDialog(const DialogResource& resource, GtkDialogEvents& events)
      : m_resource(resource), m_events(events) {}
  TemplateDialog(const TemplateDialog&) = delete;
  TemplateDialog& operator=(const TemplateDialog&) = delete;

  ~TemplateDialog() override {
    if (m_window)
      gtk_widget_destroy(m_window);
    for (GtkWidget* none : m_noneButtons) {
      gtk_widget_destroy(none);
      g_object_unref(none);
    }
    if (m_loop)
      g_main_loop_unref(m_loop);
  }

  int Run() {
    Build();
    m_programmatic = 0;
    const bool focusFirst = m_events.InitDialog(*this);
    if (focusFirst && !m_ended)
      FocusFirstTabStop();
    if (m_ended)
      return m_result;
    gtk_widget_show_all(m_window);
    gtk_window_present(GTK_WINDOW(m_window));
    m_loop = g_main_loop_new(nullptr, FALSE);
    if (!m_ended)
      g_main_loop_run(m_loop);
    gtk_widget_hide(m_window);
    return m_result;
  }

  // DialogWindow

  void ExecuteDialogInit() override {
    for (const DialogInitEntry& entry : m_resource.init) {
      Control* control = Find(entry.control);
      if (control && control->kind == Kind::kCombo &&
          entry.message == platform::kDialogInitAddComboString)
        AddItem(*control, entry.text);
    }
  }

  void SetWindowText(const std::string& text) override {
    gtk_window_set_title(GTK_WINDOW(m_window), text.c_str());
  }

  void SetDlgItemText(int id, const std::string& text) override {
    Control* control = Find(id);
    if (!control)
      return;
    control->text = text;
    if (control->label && GTK_IS_LABEL(control->label)) {
      if (control->kind == Kind::kStatic && (control->source.style & kStaticNoPrefix))
        gtk_label_set_text(GTK_LABEL(control->label), WithoutCarriageReturns(text).c_str());
      else
        gtk_label_set_text_with_mnemonic(GTK_LABEL(control->label), ToMnemonic(text).c_str());
    }
  }

  std::string GetDlgItemText(int id) const override {
    const Control* control = Find(id);
    if (!control)
      return std::string();
    // A drop-down list's text is that of its selected item.
    if (control->kind == Kind::kCombo) {
      gchar* active = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(control->widget));
      const std::string text = active ? active : "";
      g_free(active);
      return text;
    }
    return control->text;
  }

  void CheckRadioButton(int first, int last, int check) override {
    const Programmatic quiet(*this);
    for (Control& control : m_controls) {
      const int id = ControlId(control.source);
      if ((control.kind != Kind::kRadio && control.kind != Kind::kCheckBox) || id < first ||
          id > last)
        continue;
      if (id == check) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(control.widget), TRUE);
      } else if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(control.widget))) {
        // A GTK radio button is unchecked by checking another of its group: the group's
        // hidden member stands for "none".
        if (GtkWidget* none = NoneOf(control))
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(none), TRUE);
        else
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(control.widget), FALSE);
      }
    }
  }

  int GetCheckedRadioButton(int first, int last) const override {
    for (int id = first; id <= last; ++id) {
      const Control* control = Find(id);
      if (control && (control->kind == Kind::kRadio || control->kind == Kind::kCheckBox) &&
          gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(control->widget)))
        return id;
    }
    return 0;
  }

  int SetComboSelection(int id, int index) override {
    Control* control = Find(id);
    if (!control || control->kind != Kind::kCombo)
      return -1;
    const Programmatic quiet(*this);
    GtkComboBox* combo = GTK_COMBO_BOX(control->widget);
    const int count = gtk_tree_model_iter_n_children(gtk_combo_box_get_model(combo), nullptr);
    if (index < 0 || index >= count) {
      gtk_combo_box_set_active(combo, -1);
      return -1;
    }
    gtk_combo_box_set_active(combo, index);
    return index;
  }

  void EndDialog(int result) override {
    m_ended = true;
    m_result = result;
    if (m_loop && g_main_loop_is_running(m_loop))
      g_main_loop_quit(m_loop);
  }

private:
  // Changes the dialog makes to its controls are not the user's: no notifications.
  class Programmatic {
  public:
    explicit Programmatic(TemplateDialog& dialog) : m_dialog(dialog) { ++m_dialog.m_programmatic; }
    ~Programmatic() { --m_dialog.m_programmatic; }

  private:
    TemplateDialog& m_dialog;
  };

  void Build() {
    const DialogTemplate& dialog = m_resource.dialog;
    m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(m_window);
    gtk_window_set_title(window, dialog.title.c_str());
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_style_context_add_class(gtk_widget_get_style_context(m_window), "kwu-dialog");

    // The template's font, as far as the desktop has it; the layout is measured in it.
    PangoFontDescription* font = pango_font_description_new();
    const std::string family = dialog.font.empty() ? "Sans" : dialog.font + ",Sans";
    pango_font_description_set_family(font, family.c_str());
    pango_font_description_set_size(font, (dialog.pointSize ? dialog.pointSize : 8) * PANGO_SCALE);
    if (dialog.weight >= 600)
      pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
    if (dialog.italic)
      pango_font_description_set_style(font, PANGO_STYLE_ITALIC);
    m_units = MeasureFont(m_window, font);
    ApplyFont(font);
    pango_font_description_free(font);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, m_units.Horizontal(dialog.width),
                                m_units.Vertical(dialog.height));
    gtk_container_add(GTK_CONTAINER(m_window), fixed);

    m_controls.reserve(dialog.controls.size());
    m_signals.reserve(dialog.controls.size() * 2);
    GSList* group = nullptr;  // the radio group being built
    bool groupOpen = false;
    for (const DialogControl& source : dialog.controls) {
      if (source.style & platform::kStyleGroup)
        groupOpen = false;  // WS_GROUP begins a new group
      m_controls.emplace_back();
      Control& control = m_controls.back();
      control.source = source;
      const std::size_t index = m_controls.size() - 1;
      Create(control, index, group, groupOpen);
      if (!control.widget)
        continue;
      if (!(source.style & platform::kStyleVisible))
        gtk_widget_set_no_show_all(control.widget, TRUE);
      if (source.style & kStyleDisabled)
        gtk_widget_set_sensitive(control.widget, FALSE);
      gtk_fixed_put(GTK_FIXED(fixed), control.widget, m_units.Horizontal(source.x),
                    m_units.Vertical(source.y));
    }

    // Tab moves between the template's tab stops, in template order.
    GList* chain = nullptr;
    for (Control& control : m_controls) {
      if (control.widget && (control.source.style & platform::kStyleTabStop))
        chain = g_list_append(chain, control.widget);
    }
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);

    g_signal_connect(m_window, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(m_window, "key-press-event", G_CALLBACK(OnKeyPress), this);
  }

  void ApplyFont(const PangoFontDescription* font) {
    std::string families;
    gchar** names = g_strsplit(pango_font_description_get_family(font), ",", -1);
    for (gchar** name = names; *name; ++name)
      families += std::string("\"") + *name + "\", ";
    g_strfreev(names);
    const std::string css =
        std::string(kDialogStyle) + ".kwu-dialog, .kwu-dialog * { font-family: " + families +
        "sans-serif; font-size: " +
        std::to_string(pango_font_description_get_size(font) / PANGO_SCALE) + "pt; }";
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(m_window),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
  }

  Signal* SignalFor(std::size_t index, int delta = 0) {
    m_signals.push_back(std::make_unique<Signal>(Signal{this, index, delta}));
    return m_signals.back().get();
  }

  void Create(Control& control, std::size_t index, GSList*& group, bool& groupOpen) {
    const DialogControl& source = control.source;
    const int width = m_units.Horizontal(source.width);
    const int height = m_units.Vertical(source.height);
    control.text = source.text;
    if (IsClass(source, kButtonClass)) {
      const std::uint32_t type = source.style & platform::kButtonTypeMask;
      if (type == platform::kButtonRadio || type == platform::kButtonAutoRadio) {
        control.kind = Kind::kRadio;
        if (!groupOpen) {
          // Each group has a hidden member, checked while none of the others is.
          GtkWidget* none = gtk_radio_button_new(nullptr);
          g_object_ref_sink(none);
          m_noneButtons.push_back(none);
          group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(none));
          groupOpen = true;
        }
        control.widget = gtk_radio_button_new_with_mnemonic(group, ToMnemonic(source.text).c_str());
        group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(control.widget));
        m_groupOf.push_back({control.widget, m_noneButtons.back()});
      } else if (type == 2 || type == 3 || type == 5 || type == 6) {
        control.kind = Kind::kCheckBox;
        control.widget = gtk_check_button_new_with_mnemonic(ToMnemonic(source.text).c_str());
      } else {
        control.kind = Kind::kPushButton;
        control.widget = gtk_button_new_with_mnemonic(ToMnemonic(source.text).c_str());
        if (type == platform::kButtonDefPush) {
          gtk_widget_set_can_default(control.widget, TRUE);
          gtk_window_set_default(GTK_WINDOW(m_window), control.widget);
          m_defaultButton = control.widget;
        }
      }
      control.label = gtk_bin_get_child(GTK_BIN(control.widget));
      if (control.label && GTK_IS_LABEL(control.label)) {
        const bool multiline = source.style & kButtonMultiline;
        gtk_label_set_line_wrap(GTK_LABEL(control.label), multiline);
        gtk_label_set_xalign(GTK_LABEL(control.label),
                             control.kind == Kind::kPushButton ? 0.5f : 0.0f);
        if (multiline && control.kind != Kind::kPushButton) {
          // The text wraps within the control, beside the indicator.
          gtk_widget_set_size_request(control.label, std::max(width - m_units.Horizontal(12), 1),
                                      -1);
        }
      }
      gtk_widget_set_size_request(control.widget, width, height);
      g_signal_connect(control.widget, "clicked", G_CALLBACK(OnClicked), SignalFor(index));
    } else if (IsClass(source, kStaticClass)) {
      const std::uint32_t type = source.style & platform::kStaticTypeMask;
      if (type == platform::kStaticIcon) {
        control.kind = Kind::kIcon;
        control.widget = gtk_image_new();
        IconImage image;
        if (source.textResource && m_events.LoadIcon(source.textResource, image))
          SetIcon(control.widget, image);
        // An icon control takes the size of its icon.
      } else {
        control.kind = Kind::kStatic;
        control.widget = gtk_label_new(nullptr);
        control.label = control.widget;
        GtkLabel* label = GTK_LABEL(control.widget);
        if (source.style & kStaticNoPrefix)
          gtk_label_set_text(label, WithoutCarriageReturns(source.text).c_str());
        else
          gtk_label_set_text_with_mnemonic(label, ToMnemonic(source.text).c_str());
        gtk_label_set_line_wrap(label, type == kStaticTypeLeft || type == kStaticTypeCenter ||
                                           type == kStaticTypeRight);
        gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD_CHAR);
        gtk_label_set_xalign(label, type == kStaticTypeRight    ? 1.0f
                                    : type == kStaticTypeCenter ? 0.5f
                                                                : 0.0f);
        gtk_label_set_justify(label, type == kStaticTypeRight    ? GTK_JUSTIFY_RIGHT
                                     : type == kStaticTypeCenter ? GTK_JUSTIFY_CENTER
                                                                 : GTK_JUSTIFY_LEFT);
        gtk_label_set_yalign(label, 0.0f);
        if (type == kStaticNoWrap)
          gtk_label_set_ellipsize(label, PANGO_ELLIPSIZE_END);
        gtk_widget_set_size_request(control.widget, width, height);
      }
    } else if (IsClass(source, kComboBoxClass)) {
      control.kind = Kind::kCombo;
      control.widget = gtk_combo_box_text_new();
      // The template's height is that of the opened list; the closed box is one line.
      gtk_widget_set_size_request(control.widget, width, -1);
      g_signal_connect(control.widget, "changed", G_CALLBACK(OnComboChanged), SignalFor(index));
    } else if (IsClass(source, kUpDownClass)) {
      control.kind = Kind::kUpDown;
      // Two small arrow buttons, one above the other, as the up-down control draws them.
      control.widget = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
      gtk_style_context_add_class(gtk_widget_get_style_context(control.widget), "kwu-updown");
      for (const int delta : {+1, -1}) {
        GtkWidget* button = gtk_button_new();
        gtk_container_add(
            GTK_CONTAINER(button),
            gtk_image_new_from_icon_name(delta > 0 ? "pan-up-symbolic" : "pan-down-symbolic",
                                         GTK_ICON_SIZE_MENU));
        gtk_widget_set_can_focus(button, FALSE);
        gtk_widget_set_size_request(button, width, std::max(height / 2, 1));
        gtk_box_pack_start(GTK_BOX(control.widget), button, TRUE, TRUE, 0);
        g_signal_connect(button, "clicked", G_CALLBACK(OnUpDown), SignalFor(index, delta));
      }
    } else {
      // A class this host does not draw: its text, so that nothing is lost.
      control.kind = Kind::kOther;
      control.widget = gtk_label_new(source.text.c_str());
      control.label = control.widget;
      gtk_widget_set_size_request(control.widget, width, height);
    }
  }

  static void FreePixels(guchar* pixels, gpointer) { g_free(pixels); }

  static void SetIcon(GtkWidget* widget, const IconImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != std::size_t(image.width) * std::size_t(image.height) * 4)
      return;
    guchar* pixels = static_cast<guchar*>(g_memdup2(image.rgba.data(), image.rgba.size()));
    GdkPixbuf* pixbuf =
        gdk_pixbuf_new_from_data(pixels, GDK_COLORSPACE_RGB, TRUE, 8, image.width, image.height,
                                 image.width * 4, FreePixels, nullptr);
    gtk_image_set_from_pixbuf(GTK_IMAGE(widget), pixbuf);
    g_object_unref(pixbuf);
  }

  void AddItem(Control& combo, const std::string& item) {
    GtkComboBoxText* box = GTK_COMBO_BOX_TEXT(combo.widget);
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(box));
    int position = -1;
    if (combo.source.style & platform::kComboSort) {
      // A sorted list places each new item before the first one that is greater.
      gchar* key = g_utf8_casefold(item.c_str(), -1);
      GtkTreeIter iter;
      int at = 0;
      for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
           more = gtk_tree_model_iter_next(model, &iter), ++at) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &iter, 0, &text, -1);
        gchar* other = g_utf8_casefold(text ? text : "", -1);
        const bool greater = g_strcmp0(other, key) > 0;
        g_free(other);
        g_free(text);
        if (greater) {
          position = at;
          break;
        }
      }
      g_free(key);
    }
    const Programmatic quiet(*this);
    gtk_combo_box_text_insert_text(box, position, item.c_str());
  }

  GtkWidget* NoneOf(const Control& control) const {
    for (const auto& member : m_groupOf) {
      if (member.first == control.widget)
        return member.second;
    }
    return nullptr;
  }

  void FocusFirstTabStop() {
    for (Control& control : m_controls) {
      if (control.widget && (control.source.style & platform::kStyleTabStop) &&
          (control.source.style & platform::kStyleVisible) &&
          !(control.source.style & kStyleDisabled)) {
        gtk_window_set_focus(GTK_WINDOW(m_window), control.widget);
        return;
      }
    }
  }

  Control* Find(int id) {
    for (Control& control : m_controls) {
      if (ControlId(control.source) == id)
        return &control;
    }
    return nullptr;
  }
  const Control* Find(int id) const { return const_cast<TemplateDialog*>(this)->Find(id); }

  // A push button's id decides what pressing it does.
  void Press(const Control& control) {
    const int id = ControlId(control.source);
    if (id == platform::kIdOk)
      m_events.Ok();
    else if (id == platform::kIdCancel)
      m_events.Cancel();
    else
      m_events.Command(id, platform::kButtonClicked);
  }

  static void OnClicked(GtkButton* button, Signal* signal) {
    TemplateDialog& dialog = *signal->dialog;
    if (dialog.m_programmatic || dialog.m_ended)
      return;
    const Control& control = dialog.m_controls[signal->control];
    if (control.kind == Kind::kPushButton) {
      dialog.Press(control);
    } else if (control.kind == Kind::kRadio) {
      // Only the button that became checked reports the click.
      if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)))
        dialog.m_events.Command(ControlId(control.source), platform::kButtonClicked);
    } else {
      dialog.m_events.Command(ControlId(control.source), platform::kButtonClicked);
    }
  }

  static void OnComboChanged(GtkComboBox*, Signal* signal) {
    TemplateDialog& dialog = *signal->dialog;
    if (dialog.m_programmatic || dialog.m_ended)
      return;
    dialog.m_events.Command(ControlId(dialog.m_controls[signal->control].source),
                            platform::kComboSelectionChange);
  }

  static void OnUpDown(GtkButton*, Signal* signal) {
    TemplateDialog& dialog = *signal->dialog;
    if (dialog.m_ended)
      return;
    // The dialog may refuse the change; the control keeps no position of its own to show.
    dialog.m_events.Notify(ControlId(dialog.m_controls[signal->control].source),
                           platform::kSpinPositionChanging);
  }

  // The close box and Alt+F4: closed as Escape closes it.
  static gboolean OnDelete(GtkWidget*, GdkEvent*, TemplateDialog* dialog) {
    if (!dialog->m_ended)
      dialog->m_events.Cancel();
    return TRUE;  // the window stays until the dialog ends
  }

  static gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, TemplateDialog* dialog) {
    if (dialog->m_ended)
      return FALSE;
    const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
    if (event->keyval == GDK_KEY_Escape && modifiers == 0) {
      dialog->m_events.Cancel();
      return TRUE;
    }
    if ((event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter ||
         event->keyval == GDK_KEY_ISO_Enter) &&
        modifiers == 0) {
      // Enter presses the push button that has the focus, else the default button.
      GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
      for (const Control& control : dialog->m_controls) {
        if (control.kind == Kind::kPushButton && control.widget == focus) {
          dialog->Press(control);
          return TRUE;
        }
      }
      for (const Control& control : dialog->m_controls) {
        if (control.kind == Kind::kPushButton && control.widget == dialog->m_defaultButton) {
          dialog->Press(control);
          return TRUE;
        }
      }
    }
    return FALSE;
  }

  const DialogResource& m_resource;
  GtkDialogEvents& m_events;
  BaseUnits m_units;
  GtkWidget* m_window = nullptr;
  GtkWidget* m_defaultButton = nullptr;
  GMainLoop* m_loop = nullptr;
  std::vector<Control> m_controls;
  std::vector<std::unique_ptr<Signal>> m_signals;
  std::vector<GtkWidget*> m_noneButtons;
  std::vector<std::pair<GtkWidget*, GtkWidget*>> m_groupOf;  // radio button, its group's none
  int m_programmatic = 1;
  bool m_ended = false;
  int m_result = platform::kIdCancel;
};

// Lets the screen catch up, so that a closed window is gone before the program goes on.
void Settle() {
  while (gtk_events_pending())
    gtk_main_iteration_do(FALSE);
  gdk_display_flush(gdk_display_get_default());
}

bool Initialise() {
  // The program keeps its own locale settings ("C" for dates and numbers).
  gtk_disable_setlocale();
  return gtk_init_check(nullptr, nullptr);
}

int RunDialog(const DialogResource& resource, GtkDialogEvents& events) {
  int result;
  {
    TemplateDialog dialog(resource, events);
    result = dialog.Run();
  }
  Settle();
  return result;
}

void ShowMessageBox(const std::string& text, const std::string& caption, bool error) {
  GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL,
                                          error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_OTHER,
                                          GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
  if (error) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkWidget* image = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), image);
    gtk_widget_show(image);
    G_GNUC_END_IGNORE_DEPRECATIONS
  }
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  Settle();
}

const GtkModule kModule = {platform::posix::kGtkModuleVersion, Initialise, RunDialog,
                           ShowMessageBox};

}  // namespace

extern "C" __attribute__((visibility("default"))) const GtkModule* kwu_gtk_module() {
  return &kModule;
}

#include "platform/posix/gtk/gtk_controls.h"

#include <algorithm>
#include <cstdint>

namespace platform {
namespace posix {

namespace {

// Style bits of the templates that only the drawing looks at.
constexpr std::uint32_t kButtonMultiline = 0x00002000;
constexpr std::uint32_t kStaticTypeLeft = 0x0, kStaticTypeCenter = 0x1, kStaticTypeRight = 0x2;
constexpr std::uint32_t kStaticNoWrap = 0xC;  // SS_LEFTNOWORDWRAP
constexpr std::uint32_t kStaticNoPrefix = 0x80;

// Controls sized as the template says: compact paddings, so that a button of 14 units
// holds its text as on Windows.
const char kDialogStyle[] =
    ".kwu-dialog button { padding: 0 4px; min-height: 0; min-width: 0; }"
    ".kwu-dialog combobox button { padding: 0 2px 0 4px; }"
    ".kwu-dialog combobox arrow { min-width: 10px; min-height: 10px; }"
    ".kwu-dialog radio { margin: 0 4px 0 0; min-width: 12px; min-height: 12px; }"
    ".kwu-dialog .kwu-updown button { padding: 0; }"
    // The default button has the dark frame Windows draws round it.
    ".kwu-dialog button.default { border-color: @theme_fg_color; }";

// A control's text for GTK: a mnemonic is marked by "_", so an underscore of the text is
// doubled, and carriage returns go.
std::string ToGtkMnemonic(const std::string& text) {
  const MnemonicText parsed = ParseMnemonics(text);
  std::string out;
  for (std::size_t i = 0; i < parsed.text.size(); ++i) {
    const char c = parsed.text[i];
    if (std::find(parsed.marks.begin(), parsed.marks.end(), i) != parsed.marks.end())
      out += c == '_' ? std::string("___") : "_" + std::string(1, c);
    else if (c == '_')
      out += "__";
    else if (c != '\r')
      out += c;
  }
  return out;
}

std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

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

void ApplyFont(GtkWidget* window, const PangoFontDescription* font) {
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
  gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window),
                                            GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

// The icon file decoded by gdk-pixbuf's own reader of them; nothing shown when it cannot.
void SetIcon(GtkWidget* widget, const std::vector<unsigned char>& file) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("ico", nullptr);
  if (!loader)
    return;
  const bool written = gdk_pixbuf_loader_write(loader, file.data(), file.size(), nullptr);
  // Closed in any case: a loader left open complains when it is freed.
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (pixbuf)
    gtk_image_set_from_pixbuf(GTK_IMAGE(widget), pixbuf);
  g_object_unref(loader);
}

// Push buttons, radio buttons and check boxes: the button's own label holds the text.
GtkControl CreateButton(const DialogState& state, std::size_t index, int width, int height,
                        int indicatorWidth, RadioGroups& groups) {
  const DialogItem& item = state.items[index];
  const std::string text = ToGtkMnemonic(item.text);
  GtkControl control;
  if (item.kind == ControlKind::kRadioButton) {
    control.none = groups.NoneOf(GroupStart(state.items, index));
    control.widget = gtk_radio_button_new_with_mnemonic(
        gtk_radio_button_get_group(GTK_RADIO_BUTTON(control.none)), text.c_str());
  } else if (item.kind == ControlKind::kCheckBox) {
    control.widget = gtk_check_button_new_with_mnemonic(text.c_str());
  } else {
    control.widget = gtk_button_new_with_mnemonic(text.c_str());
  }
  control.label = gtk_bin_get_child(GTK_BIN(control.widget));
  if (control.label && GTK_IS_LABEL(control.label)) {
    const bool multiline = item.source.style & kButtonMultiline;
    gtk_label_set_line_wrap(GTK_LABEL(control.label), multiline);
    gtk_label_set_xalign(GTK_LABEL(control.label), item.IsPushButton() ? 0.5f : 0.0f);
    // The text wraps within the control, beside the indicator.
    if (multiline && !item.IsPushButton())
      gtk_widget_set_size_request(control.label, std::max(width - indicatorWidth, 1), -1);
  }
  gtk_widget_set_size_request(control.widget, width, height);
  return control;
}

GtkControl CreateStaticText(const DialogItem& item, int width, int height) {
  GtkControl control;
  control.widget = control.label = gtk_label_new(nullptr);
  GtkLabel* label = GTK_LABEL(control.widget);
  SetControlText(item, control.label, item.text);
  const std::uint32_t type = item.source.style & kStaticTypeMask;
  gtk_label_set_line_wrap(
      label, type == kStaticTypeLeft || type == kStaticTypeCenter || type == kStaticTypeRight);
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
  return control;
}

// An icon control takes the size of its icon.
GtkControl CreateIcon(const DialogItem& item, GtkDialogSession& session) {
  GtkControl control;
  control.widget = gtk_image_new();
  std::vector<unsigned char> file;
  if (item.source.textResource && session.LoadIcon(item.source.textResource, file))
    SetIcon(control.widget, file);
  return control;
}

// The template's height is that of the opened list; the closed box is one line.
GtkControl CreateComboBox(int width) {
  GtkControl control;
  control.widget = gtk_combo_box_text_new();
  gtk_widget_set_size_request(control.widget, width, -1);
  return control;
}

// Two small arrow buttons, one above the other, as the up-down control draws them.
GtkControl CreateUpDown(int width, int height) {
  GtkControl control;
  control.widget = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_style_context_add_class(gtk_widget_get_style_context(control.widget), "kwu-updown");
  for (const char* icon : {"pan-up-symbolic", "pan-down-symbolic"}) {
    GtkWidget* button = gtk_button_new();
    gtk_container_add(GTK_CONTAINER(button),
                      gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_MENU));
    gtk_widget_set_can_focus(button, FALSE);
    gtk_widget_set_size_request(button, width, std::max(height / 2, 1));
    gtk_box_pack_start(GTK_BOX(control.widget), button, TRUE, TRUE, 0);
    control.arrows.push_back(button);
  }
  return control;
}

// A class this host does not draw: its text, so that nothing is lost.
GtkControl CreateOther(const DialogItem& item, int width, int height) {
  GtkControl control;
  control.widget = control.label = gtk_label_new(item.text.c_str());
  gtk_widget_set_size_request(control.widget, width, height);
  return control;
}

}  // namespace

BaseUnits ApplyDialogFont(GtkWidget* window, const DialogTemplate& dialog) {
  PangoFontDescription* font = pango_font_description_new();
  const std::string family = dialog.font.empty() ? "Sans" : dialog.font + ",Sans";
  pango_font_description_set_family(font, family.c_str());
  pango_font_description_set_size(font, (dialog.pointSize ? dialog.pointSize : 8) * PANGO_SCALE);
  if (dialog.weight >= 600)
    pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
  if (dialog.italic)
    pango_font_description_set_style(font, PANGO_STYLE_ITALIC);
  const BaseUnits units = MeasureFont(window, font);
  ApplyFont(window, font);
  pango_font_description_free(font);
  return units;
}

RadioGroups::~RadioGroups() {
  for (const auto& group : m_groups) {
    gtk_widget_destroy(group.second);
    g_object_unref(group.second);
  }
}

GtkWidget* RadioGroups::NoneOf(std::size_t groupStart) {
  for (const auto& group : m_groups) {
    if (group.first == groupStart)
      return group.second;
  }
  GtkWidget* none = gtk_radio_button_new(nullptr);
  g_object_ref_sink(none);
  m_groups.emplace_back(groupStart, none);
  return none;
}

GtkControl CreateControl(const DialogState& state, std::size_t index, const BaseUnits& units,
                         RadioGroups& groups, GtkDialogSession& session) {
  const DialogItem& item = state.items[index];
  const int width = units.Horizontal(item.source.width);
  const int height = units.Vertical(item.source.height);
  switch (item.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton:
    case ControlKind::kRadioButton:
    case ControlKind::kCheckBox:
      return CreateButton(state, index, width, height, units.Horizontal(12), groups);
    case ControlKind::kStaticText: return CreateStaticText(item, width, height);
    case ControlKind::kIcon: return CreateIcon(item, session);
    case ControlKind::kComboBox: return CreateComboBox(width);
    case ControlKind::kUpDown: return CreateUpDown(width, height);
    case ControlKind::kOther: break;
  }
  return CreateOther(item, width, height);
}

void SetControlText(const DialogItem& item, GtkWidget* label, const std::string& text) {
  if (!label || !GTK_IS_LABEL(label))
    return;
  if (item.kind == ControlKind::kStaticText && (item.source.style & kStaticNoPrefix))
    gtk_label_set_text(GTK_LABEL(label), WithoutCarriageReturns(text).c_str());
  else
    gtk_label_set_text_with_mnemonic(GTK_LABEL(label), ToGtkMnemonic(text).c_str());
}

}  // namespace posix
}  // namespace platform

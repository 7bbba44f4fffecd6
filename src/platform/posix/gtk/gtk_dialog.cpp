#include "platform/posix/gtk/gtk_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/test_faults.h"

namespace platform {
namespace posix {
namespace {

// A widget's direction is its own: the parts inside a control (a button's label, a list's
// arrow) take it one by one.
void SetDirection(GtkWidget* widget, gpointer direction) {
  gtk_widget_set_direction(widget, static_cast<GtkTextDirection>(GPOINTER_TO_INT(direction)));
  if (GTK_IS_CONTAINER(widget))
    gtk_container_forall(GTK_CONTAINER(widget), SetDirection, direction);
}

void WriteFit(std::FILE* out, const DialogItem& item, const GtkControl& control,
              const GdkRectangle& place) {
  GtkWidget* label = control.label;
  if (!label || !GTK_IS_LABEL(label) || !gtk_widget_get_visible(control.widget) ||
      item.text.empty())
    return;
  GtkAllocation box{}, given{};
  gtk_widget_get_allocation(control.widget, &box);
  gtk_widget_get_allocation(label, &given);
  int width = 0, needed = 0;
  if (gtk_label_get_line_wrap(GTK_LABEL(label))) {
    gtk_widget_get_preferred_width(label, &width, nullptr);  // the longest word
    gtk_widget_get_preferred_height_for_width(label, given.width, nullptr, &needed);
  } else {
    gtk_widget_get_preferred_width(label, nullptr, &width);
    gtk_widget_get_preferred_height(label, nullptr, &needed);
  }
  // What the label got, less what GTK added to its control beyond the template's
  // rectangle (there the control overlaps its neighbours).
  const int room = given.width - std::max(0, box.width - place.width);
  std::fprintf(out, "fit id=%u need=%d,%d room=%d,%d\n", static_cast<unsigned>(item.source.id),
               width, needed, room, box.y + place.height - given.y);
}

}  // namespace

namespace {

// The keys the dialog manager handles, as GTK reports them.
bool DialogKeyOf(guint key, guint modifiers, DialogKey& dialogKey) {
  if (key == GDK_KEY_ISO_Left_Tab || (key == GDK_KEY_Tab && modifiers == GDK_SHIFT_MASK)) {
    dialogKey = DialogKey::kShiftTab;
    return modifiers == GDK_SHIFT_MASK || modifiers == 0;
  }
  if (modifiers != 0)
    return false;
  switch (key) {
    case GDK_KEY_Tab: dialogKey = DialogKey::kTab; return true;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: dialogKey = DialogKey::kUp; return true;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down: dialogKey = DialogKey::kDown; return true;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left: dialogKey = DialogKey::kLeft; return true;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right: dialogKey = DialogKey::kRight; return true;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: dialogKey = DialogKey::kEnter; return true;
    case GDK_KEY_Escape: dialogKey = DialogKey::kEscape; return true;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space: dialogKey = DialogKey::kSpace; return true;
    default: return false;
  }
}

// The character a key types, in UTF-8; "" for keys that type none.
std::string TypedCharacter(guint key) {
  const gunichar character = gdk_keyval_to_unicode(key);
  if (character == 0 || !g_unichar_isgraph(character))
    return std::string();
  char bytes[8] = {};
  return std::string(bytes, static_cast<std::size_t>(g_unichar_to_utf8(character, bytes)));
}

}  // namespace

TemplateDialog::TemplateDialog(GtkDialogSession& session)
    : m_session(session), m_state(session.State()) {}

TemplateDialog::~TemplateDialog() {
  if (m_window) {
    g_signal_handlers_disconnect_by_data(m_window, this);
    gtk_widget_destroy(m_window);
  }
  if (m_loop)
    g_main_loop_unref(m_loop);
}

void TemplateDialog::Run() {
  Build();
  m_programmatic = 0;
  m_session.Start();
  Mirror();
  if (m_state.ended)
    return;
  gtk_widget_show_all(m_window);
  // The initial focus shows at once, as on Windows, not only after a first key.
  gtk_window_set_focus_visible(GTK_WINDOW(m_window), TRUE);
  gtk_window_present(GTK_WINDOW(m_window));
  m_loop = g_main_loop_new(nullptr, FALSE);
  if (!m_state.ended)
    g_main_loop_run(m_loop);
  gtk_widget_hide(m_window);
}

// For tests: KWU_TEST_GTK_FITS=<file> gets, once the dialog is laid out, "dialog <title>"
// and a line for each control's label, "fit id=I need=W,H room=W,H" (pixels): the room the
// text needs at the width the label is given, against the room the template gives it.
void TemplateDialog::OnAllocated(GtkWidget*, GdkRectangle*, TemplateDialog* dialog) {
  const char* path = KWU_TEST_HOOK("KWU_TEST_GTK_FITS");
  if (dialog->m_fitsWritten || !path || !*path)
    return;
  dialog->m_fitsWritten = true;
  std::FILE* out = std::fopen(path, "a");
  if (!out)
    return;
  std::fprintf(out, "dialog %s\n", dialog->m_shownTitle.c_str());
  for (std::size_t index = 0; index < dialog->m_controls.size(); ++index)
    WriteFit(out, dialog->m_state.items[index], dialog->m_controls[index], dialog->m_places[index]);
  std::fclose(out);
}

void TemplateDialog::Build() {
  const DialogTemplate& dialog = m_state.dialog;
  m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(m_window);
  m_shownTitle = dialog.title;
  gtk_window_set_title(window, dialog.title.c_str());
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_style_context_add_class(gtk_widget_get_style_context(m_window), "kwu-dialog");
  // The layout is measured in the template's font.
  const BaseUnits units = ApplyDialogFont(m_window, dialog);

  GtkWidget* fixed = gtk_fixed_new();
  const int dialogWidth = units.Horizontal(dialog.width);
  gtk_widget_set_size_request(fixed, dialogWidth, units.Vertical(dialog.height));
  // A right-to-left template is mirrored, as Windows mirrors it: each control's place
  // from the right edge, and its own parts (text, a button's mark, a list's arrow) turned.
  const bool mirrored = dialog.extendedStyle & kExStyleLayoutRtl;
  gtk_container_add(GTK_CONTAINER(m_window), fixed);

  const std::vector<DialogItem>& items = m_state.items;
  m_signals.reserve(items.size() * 2);
  for (std::size_t index = 0; index < items.size(); ++index) {
    const DialogItem& item = items[index];
    m_controls.push_back(CreateControl(m_state, index, units, m_groups, m_session));
    m_places.push_back(GdkRectangle{0, 0, units.Horizontal(item.source.width),
                                    units.Vertical(item.source.height)});
    m_shownTexts.push_back(item.text);
    m_shownItems.emplace_back();
    GtkWidget* widget = m_controls.back().widget;
    if (!item.visible)
      gtk_widget_set_no_show_all(widget, TRUE);
    if (!item.enabled)
      gtk_widget_set_sensitive(widget, FALSE);
    // The default button is the window's default, drawn as such (the "default" style).
    if (item.kind == ControlKind::kDefaultPushButton) {
      gtk_widget_set_can_default(widget, TRUE);
      gtk_window_set_default(window, widget);
      gtk_style_context_add_class(gtk_widget_get_style_context(widget), GTK_STYLE_CLASS_DEFAULT);
    }
    Connect(index);
    int x = units.Horizontal(item.source.x);
    if (mirrored) {
      SetDirection(widget, GINT_TO_POINTER(GTK_TEXT_DIR_RTL));
      x = dialogWidth - x - m_places.back().width;
    }
    gtk_fixed_put(GTK_FIXED(fixed), widget, x, units.Vertical(item.source.y));
  }

  g_signal_connect_after(m_window, "size-allocate", G_CALLBACK(OnAllocated), this);
  g_signal_connect(m_window, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(m_window, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(m_window, "set-focus", G_CALLBACK(OnSetFocus), this);
}

void TemplateDialog::Connect(std::size_t index) {
  const GtkControl& control = m_controls[index];
  switch (m_state.items[index].kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton:
    case ControlKind::kRadioButton:
    case ControlKind::kCheckBox:
      g_signal_connect(control.widget, "clicked", G_CALLBACK(OnClicked), SignalFor(index));
      break;
    case ControlKind::kComboBox:
      g_signal_connect(control.widget, "changed", G_CALLBACK(OnComboChanged), SignalFor(index));
      break;
    case ControlKind::kUpDown:
      for (std::size_t arrow = 0; arrow < control.arrows.size(); ++arrow) {
        g_signal_connect(control.arrows[arrow], "clicked", G_CALLBACK(OnUpDown),
                         SignalFor(index, arrow == 0 ? +1 : -1));
      }
      break;
    default: break;
  }
}

TemplateDialog::Signal* TemplateDialog::SignalFor(std::size_t index, int delta) {
  m_signals.push_back(std::make_unique<Signal>(Signal{this, index, delta}));
  return m_signals.back().get();
}

void TemplateDialog::Mirror() {
  const Programmatic quiet(*this);
  if (m_state.title != m_shownTitle) {
    m_shownTitle = m_state.title;
    gtk_window_set_title(GTK_WINDOW(m_window), m_shownTitle.c_str());
  }
  const std::vector<DialogItem>& items = m_state.items;
  for (std::size_t index = 0; index < items.size(); ++index) {
    const DialogItem& item = items[index];
    const GtkControl& control = m_controls[index];
    if (item.text != m_shownTexts[index]) {
      m_shownTexts[index] = item.text;
      SetControlText(item, control.label, item.text);
    }
    if (item.IsCheckable())
      MirrorChecked(item, control);
    if (item.kind == ControlKind::kComboBox)
      MirrorList(item, control, m_shownItems[index]);
  }
  MirrorFocus();
}

// Windows gives a text the focus when the arrow keys reach it, and draws nothing for it.
// GTK focuses no plain label, so a text is selectable while it has the focus, with nothing
// selected: it holds the focus, and assistive technologies read it.
void TemplateDialog::MirrorFocus() {
  if (m_state.focus == m_shownFocus)
    return;
  if (m_state.focus == kNoControl) {
    gtk_window_set_focus(GTK_WINDOW(m_window), nullptr);
    return;
  }
  GtkWidget* widget = m_controls[m_state.focus].widget;
  const bool text = GTK_IS_LABEL(widget);
  if (text)
    gtk_label_set_selectable(GTK_LABEL(widget), TRUE);
  gtk_widget_grab_focus(widget);
  if (text) {
    gtk_label_select_region(GTK_LABEL(widget), 0, 0);
    m_selectableText = m_state.focus;
  }
}

void TemplateDialog::MirrorChecked(const DialogItem& item, const GtkControl& control) {
  GtkToggleButton* button = GTK_TOGGLE_BUTTON(control.widget);
  if (gtk_toggle_button_get_active(button) == static_cast<gboolean>(item.checked))
    return;
  if (item.checked || !control.none)
    gtk_toggle_button_set_active(button, item.checked);
  else
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(control.none), TRUE);
}

void TemplateDialog::MirrorList(const DialogItem& item, const GtkControl& control,
                                std::vector<std::string>& shown) {
  GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(control.widget);
  if (item.items != shown) {
    gtk_combo_box_text_remove_all(combo);
    for (const std::string& text : item.items)
      gtk_combo_box_text_append_text(combo, text.c_str());
    shown = item.items;
  }
  if (gtk_combo_box_get_active(GTK_COMBO_BOX(combo)) != item.selection)
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), item.selection);
}

void TemplateDialog::After() {
  Mirror();
  if (m_state.ended && m_loop && g_main_loop_is_running(m_loop))
    g_main_loop_quit(m_loop);
}

void TemplateDialog::OnClicked(GtkButton* button, Signal* signal) {
  TemplateDialog& dialog = *signal->dialog;
  if (!dialog.Listening())
    return;
  // Of a radio button, only the one that became checked reports the click.
  if (dialog.m_state.items[signal->control].kind == ControlKind::kRadioButton &&
      !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)))
    return;
  dialog.m_session.Click(signal->control);
  dialog.After();
}

void TemplateDialog::OnComboChanged(GtkComboBox* combo, Signal* signal) {
  TemplateDialog& dialog = *signal->dialog;
  if (!dialog.Listening())
    return;
  dialog.m_session.Select(signal->control, gtk_combo_box_get_active(combo));
  dialog.After();
}

void TemplateDialog::OnUpDown(GtkButton*, Signal* signal) {
  TemplateDialog& dialog = *signal->dialog;
  if (!dialog.Listening())
    return;
  dialog.m_session.Spin(signal->control, signal->delta);
  dialog.After();
}

// Focus that GTK moves itself (Tab, a click) is the model's focus too.
void TemplateDialog::OnSetFocus(GtkWindow*, GtkWidget* focus, TemplateDialog* dialog) {
  std::size_t found = kNoControl;
  for (std::size_t index = 0; focus && index < dialog->m_controls.size(); ++index) {
    GtkWidget* widget = dialog->m_controls[index].widget;
    if (focus == widget || gtk_widget_is_ancestor(focus, widget))
      found = index;
  }
  dialog->m_shownFocus = found;
  if (dialog->m_selectableText != kNoControl && dialog->m_selectableText != found) {
    gtk_label_set_selectable(GTK_LABEL(dialog->m_controls[dialog->m_selectableText].widget), FALSE);
    dialog->m_selectableText = kNoControl;
  }
  if (dialog->Listening())
    dialog->m_session.Focused(found);
}

// The close box and Alt+F4: the window stays until the dialog ends.
gboolean TemplateDialog::OnDelete(GtkWidget*, GdkEvent*, TemplateDialog* dialog) {
  if (dialog->Listening()) {
    dialog->m_session.Close();
    dialog->After();
  }
  return TRUE;
}

// The dialog manager's keys and the mnemonics go to the dialog; what it leaves (keys in an
// open list, Alt+Down that opens one) goes to GTK.
gboolean TemplateDialog::OnKeyPress(GtkWidget*, GdkEventKey* event, TemplateDialog* dialog) {
  if (!dialog->Listening())
    return FALSE;
  const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
  DialogKey key;
  bool handled = false;
  if (DialogKeyOf(event->keyval, modifiers, key)) {
    handled = dialog->m_session.Key(key);
  } else if ((modifiers & ~(GDK_SHIFT_MASK | GDK_MOD1_MASK)) == 0) {
    const std::string typed = TypedCharacter(event->keyval);
    handled = !typed.empty() && dialog->m_session.Character(typed, modifiers & GDK_MOD1_MASK);
  }
  if (!handled)
    return FALSE;
  gtk_window_set_focus_visible(GTK_WINDOW(dialog->m_window), TRUE);
  dialog->After();
  return TRUE;
}

}  // namespace posix
}  // namespace platform

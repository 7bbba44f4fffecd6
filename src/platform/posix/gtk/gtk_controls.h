#pragma once
// The GTK widgets of a dialog's controls, one kind of control each, placed and sized as
// the template says.
#include <gtk/gtk.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/posix/gtk/gtk_module.h"

namespace platform {
namespace posix {

// The dialog's base units, from its font's average character width and height as
// Windows computes them.
struct BaseUnits {
  int x = 6;
  int y = 13;
  int Horizontal(int units) const { return (units * x + 2) / 4; }
  int Vertical(int units) const { return (units * y + 4) / 8; }
};

// Gives the window the template's font, as far as the desktop has it; the base units it
// measures in that font.
BaseUnits ApplyDialogFont(GtkWidget* window, const DialogTemplate& dialog);

// The widgets of one control.
struct GtkControl {
  GtkWidget* widget = nullptr;     // placed in the dialog
  GtkWidget* label = nullptr;      // the text part of a button, or the text itself
  GtkWidget* none = nullptr;       // a radio button's hidden group member
  std::vector<GtkWidget*> arrows;  // an up-down control's buttons: up, then down
};

// The radio groups of one dialog as GTK builds them: each has a hidden member, checked
// while none of the others is, since a GTK radio button is unchecked only by checking
// another of its group.
class RadioGroups {
public:
  RadioGroups() = default;
  ~RadioGroups();
  RadioGroups(const RadioGroups&) = delete;
  RadioGroups& operator=(const RadioGroups&) = delete;
  // The hidden member of the dialog's group that begins at `groupStart`.
  GtkWidget* NoneOf(std::size_t groupStart);

private:
  std::vector<std::pair<std::size_t, GtkWidget*>> m_groups;
};

// Creates the widgets of control `index` of the dialog, by its kind.
GtkControl CreateControl(const DialogState& state, std::size_t index, const BaseUnits& units,
                         RadioGroups& groups, GtkDialogSession& session);

// Shows a text in a control's label: "&" marks a mnemonic, unless a static text asks for
// its text as it is.
void SetControlText(const DialogItem& item, GtkWidget* label, const std::string& text);

}  // namespace posix
}  // namespace platform

#pragma once
#include <iosfwd>
#include <string>

#include "platform/dialog.h"

namespace platform {
namespace posix {

// Shows dialogs on a text terminal, so that the program is usable without a display (over
// SSH, for example). It builds each dialog from its template in the current resource
// module, shows the title, the texts, the radio buttons with a letter each, the combo
// boxes with their items and the buttons, and reads one choice per line:
//   a letter          clicks that radio button
//   an item's text    selects it in its combo box (as picking it in the list would)
//   a button's text   presses that button
//   an empty line     presses the default button
//   end of input      closes the dialog, as the close box would
class ConsoleDialogHost : public DialogHost {
public:
  ConsoleDialogHost(std::istream& in, std::ostream& out);
  int RunModal(CDialog& dialog, unsigned templateId, WindowHandle parent) override;

private:
  std::istream& m_in;
  std::ostream& m_out;
};

// A message box on the terminal: the caption and the text. When `waitIn` is given, waits
// for a line from it, as a message box waits for its OK button.
void ShowConsoleMessageBox(std::ostream& out, std::istream* waitIn, const std::string& text,
                           const std::string& caption);

}  // namespace posix
}  // namespace platform

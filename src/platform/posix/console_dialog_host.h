#pragma once
#include <iosfwd>
#include <string>

#include "platform/dialog_model.h"

namespace platform {
namespace posix {

// Shows dialogs on a text terminal, so that the program is usable without a display (over
// SSH, for example). It shows each dialog from its template in the current resource
// module (ConsoleScreen draws it) and reads one choice per line:
//   a letter          clicks that radio button or check box
//   an item's text    selects it in its list (as picking it in the list would)
//   a button's text   presses that button
//   an empty line     is Enter: presses the default button
//   q, n, Escape, Ctrl-D or end of input  closes the dialog, as the close box would
// Control characters are never taken as part of a choice.
class ConsoleDialogHost : public ModelDialogHost {
public:
  // Message boxes go to `out` and do not wait.
  ConsoleDialogHost(std::istream& in, std::ostream& out);
  // Message boxes go to `messages`; with `confirmMessages` each waits for a line from `in`.
  ConsoleDialogHost(std::istream& in, std::ostream& out, std::ostream& messages,
                    bool confirmMessages);
  void ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                      MessageBoxStyle style) override;

protected:
  int Show(DialogModel& model) override;

private:
  std::istream& m_in;
  std::ostream& m_out;
  std::ostream& m_messages;
  bool m_confirmMessages;
};

// A message box on the terminal: the caption and the text. When `waitIn` is given, waits
// for a line from it, as a message box waits for its OK button.
void ShowConsoleMessageBox(std::ostream& out, std::istream* waitIn, const std::string& text,
                           const std::string& caption);

}  // namespace posix
}  // namespace platform

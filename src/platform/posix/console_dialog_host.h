#pragma once
#include <iosfwd>
#include <string>

#include "platform/posix/posix_dialog_host.h"

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
//   q, n, Escape, Ctrl-D or end of input  closes the dialog, as the close box would
// Control characters are never taken as part of a choice.
class ConsoleDialogHost : public PosixDialogHost {
public:
  // Message boxes go to `out` and do not wait.
  ConsoleDialogHost(std::istream& in, std::ostream& out);
  // Message boxes go to `messages`; with `confirmMessages` each waits for a line from `in`.
  ConsoleDialogHost(std::istream& in, std::ostream& out, std::ostream& messages,
                    bool confirmMessages);
  int RunModal(CDialog& dialog, unsigned templateId, WindowHandle parent) override;
  void ShowMessageBox(const std::string& text, const std::string& caption,
                      MessageBoxStyle style) override;
  void SetUpdateOffer(const UpdateOffer* offer) override;
  void OfferAnswered(const UpdateOffer& offer, int remindDays) override;

private:
  std::istream& m_in;
  std::ostream& m_out;
  std::ostream& m_messages;
  bool m_confirmMessages;
};

// For runs with nobody to answer (no display, no terminal): each dialog is written as one
// line, its title and its texts, and counts as closed without an answer; the update offer
// adds its page, so that it can be opened by hand. Message boxes are one line each too.
class LineDialogHost : public PosixDialogHost {
public:
  explicit LineDialogHost(std::ostream& out);
  int RunModal(CDialog& dialog, unsigned templateId, WindowHandle parent) override;
  void ShowMessageBox(const std::string& text, const std::string& caption,
                      MessageBoxStyle style) override;
  void SetUpdateOffer(const UpdateOffer* offer) override;

private:
  std::ostream& m_out;
  const UpdateOffer* m_offer = nullptr;
};

// A message box on the terminal: the caption and the text. When `waitIn` is given, waits
// for a line from it, as a message box waits for its OK button.
void ShowConsoleMessageBox(std::ostream& out, std::istream* waitIn, const std::string& text,
                           const std::string& caption);

}  // namespace posix
}  // namespace platform

#pragma once
#include <iosfwd>
#include <string>

#include "platform/dialog_model.h"

namespace platform {
namespace posix {

// For runs with nobody to answer (no display, no terminal): each dialog is written as one
// line, its title and its texts, and counts as closed without an answer; a dialog that is
// about something beyond its texts (the page an update dialog offers) adds it, so that it
// can be opened by hand. Message boxes are one line each too.
class LineDialogHost : public ModelDialogHost {
public:
  explicit LineDialogHost(std::ostream& out);
  void ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                      MessageBoxStyle style) override;

protected:
  int Show(DialogModel& model) override;

private:
  std::ostream& m_out;
};

// The dialog on one line: its title, then the texts of the rows that hold texts alone (a
// text beside a choice belongs to the choice), in reading order.
std::string DialogSummary(const DialogModel& model);

}  // namespace posix
}  // namespace platform

#pragma once
#include <string>

#include "platform/dialog.h"
#include "platform/window.h"

namespace platform {
namespace posix {

// A Linux dialog host also shows the message boxes, the same way as its dialogs.
class PosixDialogHost : public DialogHost {
public:
  virtual void ShowMessageBox(const std::string& text, const std::string& caption,
                              MessageBoxStyle style) = 0;
};

// The host chosen for this run, at its first dialog or message box: KAVEXWEBUPD_DIALOGS
// (gtk, console or none) when set, else windows when a display is reachable and the
// graphical module starts, else the terminal when there is one, else one line on standard
// error for each dialog and message box.
PosixDialogHost& ChosenDialogHost();

}  // namespace posix
}  // namespace platform

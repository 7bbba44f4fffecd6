#include "platform/window.h"

#include "platform/posix/posix_dialog_host.h"

namespace platform {

WindowHandle GetForegroundWindow() {
  return nullptr;
}

void ShowMessageBox(WindowHandle, const std::string& text, const std::string& caption,
                    MessageBoxStyle style) {
  // Message boxes appear the way this run's dialogs do: in a window, on the terminal, or
  // as one line on standard error.
  posix::ChosenDialogHost().ShowMessageBox(text, caption, style);
}

}  // namespace platform

#include "platform/window.h"

#include <unistd.h>

#include <iostream>

#include "platform/posix/console_dialog_host.h"

namespace platform {

WindowHandle GetForegroundWindow() {
  return nullptr;
}

void ShowMessageBox(WindowHandle, const std::string& text, const std::string& caption,
                    MessageBoxStyle) {
  // Messages go to standard error; someone at a terminal confirms them as they would
  // press OK, while a run with redirected input goes straight on.
  const bool interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
  posix::ShowConsoleMessageBox(std::cerr, interactive ? &std::cin : nullptr, text, caption);
}

}  // namespace platform

#include "platform/window.h"

#include <cstdio>

namespace platform {

WindowHandle GetForegroundWindow() {
  return nullptr;
}

void ShowMessageBox(WindowHandle, const std::string& text, const std::string& caption,
                    MessageBoxStyle) {
  // Without a dialog host of its own the message goes to standard error.
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace platform

#include "platform/window.h"

#include "platform/win32/windows_include.h"

namespace platform {

// A WindowHandle is the HWND itself; the portable code only passes it along.
WindowHandle GetForegroundWindow() {
  return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

void ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                    MessageBoxStyle style) {
  ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(),
                static_cast<UINT>(style));
}

}  // namespace platform

#include "platform/window.h"

#include "platform/win32/windows_include.h"

namespace platform {

// A WindowHandle is the HWND itself; the portable code only passes it along.
WindowHandle GetForegroundWindow() {
  return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

}  // namespace platform

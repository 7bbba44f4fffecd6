#include "platform/window.h"

namespace platform {

WindowHandle GetForegroundWindow() {
  return nullptr;
}

}  // namespace platform

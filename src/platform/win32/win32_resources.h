#pragma once
#include "platform/win32/windows_include.h"

namespace platform {
namespace win32 {

// The module handle of the program's own resources.
HINSTANCE ProgramInstance();

// The module handle of the current resource module: a locale library loaded as an
// image resource, or the program itself.
HINSTANCE CurrentResourceInstance();

}  // namespace win32
}  // namespace platform

#pragma once
#include "platform/entry.h"

namespace platform {
namespace win32 {

// The program's instance handle as handed to InitApplication (the executable's module
// before that), for the resource and dialog code of the Windows build.
HINSTANCE Instance();

}  // namespace win32
}  // namespace platform

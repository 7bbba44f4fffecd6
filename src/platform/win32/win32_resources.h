#pragma once
#include "platform/resources.h"
#include "platform/win32/windows_include.h"

namespace platform {
namespace win32 {

// The module handle behind a resource module, for the calls that load from it (a
// dialog's icons are loaded by the system from the module that holds its template).
HMODULE ModuleHandle(const ResourceModule& module);

}  // namespace win32
}  // namespace platform

#include "platform/shell.h"

#include "platform/win32/windows_include.h"

#include <shellapi.h>

namespace platform {

void OpenUrl(const std::string& url) {
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform

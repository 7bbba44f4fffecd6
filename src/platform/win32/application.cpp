#include "platform/application.h"

#include <stdlib.h>

#include "platform/test_faults.h"
#include "platform/win32/windows_include.h"

namespace platform {

const char kPathSeparator = '\\';

namespace {

// The module file name buffer holds 512 characters, its terminating zero included.
constexpr DWORD kModuleFileNameCapacity = 512;

bool IsPathSeparator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

bool InitApplication(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Nothing to prepare: the common controls are loaded by the dialog host before the
  // first dialog, so that a run which shows none does not pay for them.
  return !TestFault("framework-init");
}

std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> arguments;
  for (int i = 0; i < __argc && __argv; ++i)
    arguments.push_back(__argv[i] ? __argv[i] : "");
  return arguments;
}

std::string ModuleFileName() {
  char buffer[kModuleFileNameCapacity];
  const DWORD length = ::GetModuleFileNameA(nullptr, buffer, kModuleFileNameCapacity);
  // A path cut off at the end of the buffer would name another folder: treat it as unknown.
  if (length == 0 || length >= kModuleFileNameCapacity)
    return std::string();
  return std::string(buffer, length);
}

void SplitPath(const std::string& path, std::string& drive, std::string& folder) {
  // The runtime's _splitpath, without its fixed-size buffers: a drive is a letter and a
  // colon at the start, the folder runs up to and including the last separator.
  std::size_t start = 0;
  drive.clear();
  if (path.size() >= 2 && path[1] == ':') {
    drive = path.substr(0, 2);
    start = 2;
  }
  std::size_t end = path.size();
  while (end > start && !IsPathSeparator(path[end - 1]))
    --end;
  folder = path.substr(start, end - start);
}

std::string LocaleBaseFolder(const std::string& programFolder) {
  // The Locale folder always stands beside the executable.
  return programFolder;
}

}  // namespace platform

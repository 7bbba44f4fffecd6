#include "platform/application.h"

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>

#include "platform/posix/posix_application.h"
#include "platform/test_faults.h"

namespace platform {

const char kPathSeparator = '/';

namespace {
std::vector<std::string> g_arguments;
}

void posix::SetArguments(int argc, char** argv) {
  g_arguments.assign(argv, argv + argc);
}

bool InitApplication(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (TestFault("framework-init"))
    return false;
  // Dates and numbers are formatted in the "C" conventions the stored texts rely on.
  std::setlocale(LC_ALL, "C");
  return true;
}

std::vector<std::string> CommandLineArguments() {
  return g_arguments;
}

std::string ModuleFileName() {
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

void SplitPath(const std::string& path, std::string& drive, std::string& folder) {
  drive.clear();
  const auto slash = path.rfind('/');
  folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LocaleBaseFolder(const std::string& programFolder) {
  struct stat status{};
  if (::stat((programFolder + "Locale").c_str(), &status) == 0 && S_ISDIR(status.st_mode))
    return programFolder;
  // An installed program lives in <prefix>/bin/ and its libraries in
  // <prefix>/lib/kavexwebupd/. The parent is cut off as text: the result stays a full path
  // without "..", whatever the links on the way.
  std::string parent = programFolder;
  while (!parent.empty() && parent.back() == '/')
    parent.pop_back();
  const auto slash = parent.rfind('/');
  parent = slash == std::string::npos ? std::string("/") : parent.substr(0, slash + 1);
  return parent + "lib/kavexwebupd/";
}

}  // namespace platform

// Linux entry: hands the arguments to the platform layer and runs the program's WinMain.
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/entry.h"
#include "platform/posix/posix_application.h"
#include "platform/test_faults.h"

namespace {

// For tests: KWU_TEST_MAPS_AT_EXIT=<file> copies the program's memory map there at exit,
// which shows whether a run loaded the graphical libraries.
const char* g_mapsCopy = nullptr;

void CopyMapsAtExit() {
  std::ifstream maps("/proc/self/maps", std::ios::binary);
  std::ofstream copy(g_mapsCopy, std::ios::binary | std::ios::trunc);
  copy << maps.rdbuf();
}

}  // namespace

int main(int argc, char** argv) {
  g_mapsCopy = KWU_TEST_HOOK("KWU_TEST_MAPS_AT_EXIT");
  if (g_mapsCopy && *g_mapsCopy)
    std::atexit(CopyMapsAtExit);
  platform::posix::SetArguments(argc, argv);
  std::string commandLine;
  for (int i = 1; i < argc; ++i)
    commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  return WinMain(nullptr, nullptr, &commandLine[0], 0);
}

// Linux entry: hands the arguments to the platform layer and runs the program's WinMain.
#include <string>

#include "platform/entry.h"
#include "platform/posix/posix_application.h"

int main(int argc, char** argv) {
  platform::posix::SetArguments(argc, argv);
  std::string commandLine;
  for (int i = 1; i < argc; ++i)
    commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  return WinMain(nullptr, nullptr, &commandLine[0], 0);
}

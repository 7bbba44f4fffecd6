#include <iostream>

#include "platform/posix/console_dialog_host.h"

namespace platform {

// Dialogs go to the terminal: the program's standard input and output.
DialogHost& PlatformDialogHost() {
  static posix::ConsoleDialogHost host(std::cin, std::cout);
  return host;
}

}  // namespace platform

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "platform/posix/console_dialog_host.h"
#include "platform/posix/gtk_dialog_host.h"
#include "platform/posix/line_dialog_host.h"
#include "platform/text.h"

namespace platform {
namespace posix {

namespace {

// Forces a host: "gtk" (falling back as an automatic choice does when it cannot start),
// "console" (standard input and output, terminals or not) or "none".
const char kDialogsVariable[] = "KAVEXWEBUPD_DIALOGS";

bool DisplayReachable() {
  for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value)
      return true;
  }
  return false;
}

DialogHost& LineHost() {
  static LineDialogHost host(std::cerr);
  return host;
}

DialogHost& StandardConsoleHost() {
  // Messages stay on standard error; a person at the terminal confirms each.
  static ConsoleDialogHost host(std::cin, std::cout, std::cerr,
                                ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO));
  return host;
}

// The terminal when there is one to talk with; else the one-line reports.
DialogHost& TerminalHost() {
  if (!::isatty(STDIN_FILENO))
    return LineHost();
  if (::isatty(STDOUT_FILENO))
    return StandardConsoleHost();
  // Output goes elsewhere (a file, a pipe): the dialog is shown on the terminal itself,
  // so that nobody waits on a screen that shows nothing.
  static std::ifstream ttyIn("/dev/tty");
  static std::ofstream ttyOut("/dev/tty");
  if (!ttyIn.is_open() || !ttyOut.is_open())
    return LineHost();
  static ConsoleDialogHost host(ttyIn, ttyOut, ttyOut, true);
  return host;
}

DialogHost& ChooseHost() {
  const char* forced = std::getenv(kDialogsVariable);
  const std::string choice = forced ? ToLower(Trim(forced)) : std::string();
  if (choice == "none")
    return LineHost();
  if (choice == "console")
    return StandardConsoleHost();
  if (choice == "gtk" || (choice != "console" && DisplayReachable())) {
    if (DialogHost* graphical = LoadGtkDialogHost())
      return *graphical;
  }
  return TerminalHost();
}

}  // namespace

}  // namespace posix

// The host is chosen at the run's first dialog or message box, once: KAVEXWEBUPD_DIALOGS
// (gtk, console or none) when set, else windows when a display is reachable and the
// graphical module starts, else the terminal when there is one, else one line on standard
// error for each dialog and message box.
DialogHost& PlatformDialogHost() {
  static DialogHost& host = posix::ChooseHost();
  return host;
}

}  // namespace platform

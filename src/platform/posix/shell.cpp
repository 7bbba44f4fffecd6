#include "platform/shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

namespace {

// The command that opens the page: xdg-open, or the one named in the environment
// (for tests, and for desktops without xdg-utils). It gets the address as its only
// argument, never through a shell.
const char kOpenCommandVariable[] = "KAVEXWEBUPD_OPEN_COMMAND";
const char kDefaultOpenCommand[] = "xdg-open";

void RedirectToNull(int descriptor) {
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, descriptor);
    if (null != descriptor)
      ::close(null);
  }
}

}  // namespace

void OpenUrl(const std::string& url) {
  const char* configured = std::getenv(kOpenCommandVariable);
  const std::string command = (configured && *configured) ? configured : kDefaultOpenCommand;

  // Two forks, so that the opener runs on detached and is never left as a zombie.
  const pid_t child = ::fork();
  if (child < 0)
    return;
  if (child == 0) {
    ::setsid();
    if (::fork() != 0)
      ::_exit(0);
    for (int descriptor = 0; descriptor <= 2; ++descriptor)
      RedirectToNull(descriptor);
    ::execlp(command.c_str(), command.c_str(), url.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
}

}  // namespace platform

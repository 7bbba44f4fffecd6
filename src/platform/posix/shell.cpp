#include "platform/shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/window.h"

namespace platform {

namespace {

// The command that opens the page: xdg-open, or the one named in the environment
// (for tests, and for desktops without xdg-utils). It gets the address as its only
// argument, never through a shell.
const char kOpenCommandVariable[] = "KAVEXWEBUPD_OPEN_COMMAND";
const char kDefaultOpenCommand[] = "xdg-open";

// How long the opener has to fail. One still running then counts as started: xdg-open
// may stay for as long as the browser it started.
const long kOpenerGraceMilliseconds = 3000;

void RedirectToNull(int descriptor) {
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, descriptor);
    if (null != descriptor)
      ::close(null);
  }
}

void Sleep(long milliseconds) {
  timespec pause{0, milliseconds * 1000000L};
  while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

// In the intermediate process: waits a while for the opener and tells how it went.
char AwaitOpener(pid_t opener) {
  for (long waited = 0; waited < kOpenerGraceMilliseconds; waited += 20) {
    int status = 0;
    const pid_t done = ::waitpid(opener, &status, WNOHANG);
    if (done == opener)
      return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
    if (done < 0)
      return 1;
    Sleep(20);
  }
  return 0;  // still running: it has started
}

// Starts the opener detached, in a session of its own and never left as a zombie; true
// unless it could not be started or it failed within the grace time.
bool StartOpener(const std::string& command, const std::string& url) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0)
    return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t opener = ::fork();
    if (opener == 0) {
      ::close(report[1]);
      for (int descriptor = 0; descriptor <= 2; ++descriptor)
        RedirectToNull(descriptor);
      ::execlp(command.c_str(), command.c_str(), url.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    const char outcome = opener < 0 ? 1 : AwaitOpener(opener);
    ssize_t written;
    do {
      written = ::write(report[1], &outcome, 1);
    } while (written < 0 && errno == EINTR);
    ::_exit(0);
  }
  ::close(report[1]);
  char outcome = 1;
  ssize_t got;
  do {
    got = ::read(report[0], &outcome, 1);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return got == 1 && outcome == 0;
}

}  // namespace

void OpenUrl(const std::string& url) {
  const char* configured = std::getenv(kOpenCommandVariable);
  const std::string command = (configured && *configured) ? configured : kDefaultOpenCommand;
  if (StartOpener(command, url))
    return;
  // Without a browser the user still gets the address, to open it by hand.
  ShowMessageBox(nullptr,
                 "The page could not be opened (" + command +
                     " failed). Open it in your "
                     "web browser:\n" +
                     url,
                 "Kavex Web Update", kMessageBoxError);
}

}  // namespace platform

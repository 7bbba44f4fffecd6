#pragma once
// Work done as an ordinary user by a test that runs as root, in a child process, so that
// the checks of file permissions apply to it as they would to the user.

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "test_folder.h"

namespace test {

// The user (and group) the work runs as: "nobody" on most systems.
const uid_t kUnprivileged = 65534;

// Runs the work in a child process as the unprivileged user; 0 when the work returned
// true, 1 when false, anything else when the child could not become that user.
inline int RunUnprivileged(const std::function<bool()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 ||
        ::setresgid(kUnprivileged, kUnprivileged, kUnprivileged) != 0 ||
        ::setresuid(kUnprivileged, kUnprivileged, kUnprivileged) != 0)
      ::_exit(2);
    ::_exit(work() ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

// A folder "user" in the test folder that belongs to the unprivileged user, who may also
// pass through the test folder to reach it. Empty when it cannot be made.
inline std::string MakeUnprivilegedFolder(const TestFolder& folder) {
  const std::string path = folder.Path("user");
  if (::mkdir(path.c_str(), 0700) != 0 || ::chmod(folder.Path().c_str(), 0711) != 0 ||
      ::chown(path.c_str(), kUnprivileged, kUnprivileged) != 0)
    return std::string();
  return path;
}

}  // namespace test

#pragma once
// Work done as an ordinary user by a test that runs as root, in a child process, so that
// the checks of file permissions apply to it as they would to the user.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

#include "test_folder.h"

namespace test {

// The user (and group) the work runs as: "nobody" on most systems.
const uid_t kUnprivileged = 65534;

// What the work returned, run in a child process as the unprivileged user; nothing when
// the child could not become that user or did not finish.
inline std::optional<bool> RunAsUnprivilegedUser(const std::function<bool()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 ||
        ::setresgid(kUnprivileged, kUnprivileged, kUnprivileged) != 0 ||
        ::setresuid(kUnprivileged, kUnprivileged, kUnprivileged) != 0)
      ::_exit(2);
    ::_exit(work() ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) > 1)
    return std::nullopt;
  return WEXITSTATUS(status) == 0;
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

// Tests of what an ordinary user may do with files that root sets up: a test folder with
// the user's folder in it. Skipped unless the tests run as root.
class UnprivilegedUserTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (::geteuid() != 0)
      GTEST_SKIP() << "a run as another user takes root to set up";
    m_user = MakeUnprivilegedFolder(m_folder);
    ASSERT_FALSE(m_user.empty());
  }

  // Writes the file `name` in the user's folder, the user's own, with the given mode; its
  // path.
  std::string UserFile(const std::string& name, const std::string& content, mode_t mode) {
    const std::string path = m_user + "/" + name;
    WriteFile(path, content);
    EXPECT_EQ(::chown(path.c_str(), kUnprivileged, kUnprivileged), 0);
    EXPECT_EQ(::chmod(path.c_str(), mode), 0);
    return path;
  }

  TestFolder m_folder;
  std::string m_user;
};

}  // namespace test

// The registry on Linux: the per-user settings file behind platform::RegistryKey.
#include "platform/registry.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "test_folder.h"
#include "unprivileged.h"

using platform::RegistryKey;

namespace {

const char kKey[] = "Software\\Kavex\\WebUpdates";

// The value as the program reads it, or "<absent>".
std::string Query(const std::string& key, const std::string& name, std::size_t capacity = 512) {
  const auto opened = RegistryKey::OpenForQuery(key);
  if (!opened)
    return "<no key>";
  std::vector<char> buffer(capacity);
  std::size_t copied = 0;
  if (!opened->QueryValue(name, buffer.data(), capacity, copied))
    return "<absent>";
  EXPECT_GE(copied, 1u);
  EXPECT_EQ(buffer[copied - 1], '\0');
  return std::string(buffer.data(), copied - 1);
}

bool Store(const std::string& key, const std::string& name, const std::string& data) {
  const auto created = RegistryKey::CreateForWrite(key);
  return created && created->SetStringValue(name, data);
}

// Waits for a child process and tells whether it exited with status 0.
bool ExitedCleanly(pid_t child) {
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs this test binary again, with only the named test, in a child process whose
// standard error goes to a file; true when that run passed.
bool RunAgain(const std::string& test, const std::string& errors) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("KWU_RUN_AGAIN", "1", 1);
    const int output = ::open("/dev/null", O_WRONLY);
    const int error = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (output < 0 || error < 0 || ::dup2(output, 1) < 0 || ::dup2(error, 2) < 0)
      ::_exit(126);
    const std::string filter = "--gtest_filter=" + test;
    ::execl("/proc/self/exe", "kwu_unit_tests", filter.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return child > 0 && ExitedCleanly(child);
}

mode_t Mode(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

}  // namespace

TEST(Registry, SettingsFileLocation) {
  test::TestFolder folder;
  {
    Store(kKey, "URL", "explicit");
    EXPECT_EQ(test::ReadFile(folder.SettingsPath()),
              "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"explicit\"\n");
  }
  test::ScopedEnvironment noExplicitPath("KAVEXWEBUPD_SETTINGS", std::nullopt);
  {
    test::ScopedEnvironment config("XDG_CONFIG_HOME", folder.Path("config"));
    ASSERT_TRUE(Store(kKey, "URL", "xdg"));
    const std::string file = folder.Path("config/kavexwebupd/settings.conf");
    EXPECT_NE(test::ReadFile(file).find("\"xdg\""), std::string::npos);
    EXPECT_EQ(Mode(folder.Path("config")), 0700u);  // created private, parents too
    EXPECT_EQ(Mode(folder.Path("config/kavexwebupd")), 0700u);
    EXPECT_EQ(Mode(file), 0600u);
  }
  for (const std::optional<std::string>& config :
       {std::optional<std::string>(), std::optional<std::string>("relative/ignored")}) {
    test::ScopedEnvironment xdg("XDG_CONFIG_HOME", config);
    test::ScopedEnvironment home("HOME", folder.Path("home"));
    ASSERT_TRUE(Store(kKey, "URL", "home"));
    EXPECT_EQ(Query(kKey, "URL"), "home");
    EXPECT_TRUE(test::Exists(folder.Path("home/.config/kavexwebupd/settings.conf")));
  }
  EXPECT_FALSE(test::Exists(folder.Path("relative")));
}

TEST(Registry, ReadingCreatesNothing) {
  test::TestFolder folder;
  {
    test::ScopedEnvironment inSubfolder("KAVEXWEBUPD_SETTINGS", folder.Path("sub/s.conf"));
    EXPECT_EQ(RegistryKey::OpenForQuery(kKey), nullptr);
    EXPECT_EQ(Query("", "URL"), "<absent>");
  }
  EXPECT_EQ(RegistryKey::OpenForQuery(kKey), nullptr);
  EXPECT_TRUE(folder.Entries().empty());

  const std::string content = "[Software\\Kavex]\n";
  test::WriteFile(folder.SettingsPath(), content);
  EXPECT_EQ(RegistryKey::OpenForQuery(kKey), nullptr);
  EXPECT_NE(RegistryKey::OpenForQuery("SOFTWARE"), nullptr);  // implied parent, any case
  EXPECT_EQ(Query("Software\\Kavex", "URL"), "<absent>");
  EXPECT_EQ(test::ReadFile(folder.SettingsPath()), content);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"settings.conf"});
}

TEST(Registry, CreatingAKeyImpliesItsParentsAndWritesOnlyWhenNew) {
  test::TestFolder folder;
  ASSERT_NE(RegistryKey::CreateForWrite("Software\\Kavex\\WebUpdates\\RemindDates"), nullptr);
  EXPECT_EQ(test::ReadFile(folder.SettingsPath()), "[Software\\Kavex\\WebUpdates\\RemindDates]\n");
  EXPECT_NE(RegistryKey::OpenForQuery("Software\\Kavex"), nullptr);
  EXPECT_NE(RegistryKey::OpenForQuery("software\\kavex\\webupdates"), nullptr);

  ::unlink(folder.SettingsPath().c_str());
  test::WriteFile(folder.SettingsPath(), "# keep me\n[Software\\Kavex\\WebUpdates\\X]\n");
  ASSERT_NE(RegistryKey::CreateForWrite("Software\\Kavex"), nullptr);
  EXPECT_EQ(test::ReadFile(folder.SettingsPath()), "# keep me\n[Software\\Kavex\\WebUpdates\\X]\n");

  EXPECT_EQ(RegistryKey::CreateForWrite("bad\\\\path"), nullptr);
  EXPECT_EQ(RegistryKey::CreateForWrite("bad\npath"), nullptr);
  EXPECT_EQ(RegistryKey::OpenForQuery("bad\npath"), nullptr);
}

TEST(Registry, DataAndItsTerminatingZeroMustFit) {
  test::TestFolder folder;
  ASSERT_TRUE(Store(kKey, "Long", std::string(511, 'x')));
  ASSERT_TRUE(Store(kKey, "TooLong", std::string(512, 'y')));
  EXPECT_EQ(Query(kKey, "Long"), std::string(511, 'x'));
  EXPECT_EQ(Query(kKey, "TooLong"), "<absent>");
  EXPECT_EQ(Query(kKey, "TooLong", 513), std::string(512, 'y'));
  ASSERT_TRUE(Store(kKey, "Empty", ""));
  EXPECT_EQ(Query(kKey, "Empty", 1), "");
  EXPECT_EQ(Query(kKey, "Long", 0), "<absent>");
}

// As in the registry, a value name of more than 16,383 characters is neither stored nor
// read: a product of a longer name gets no remind date on either platform.
TEST(Registry, ValueNamesHoldAtMost16383Characters) {
  test::TestFolder folder;
  const std::string longest(platform::kMaxValueNameLength, 'n');
  const std::string longer(platform::kMaxValueNameLength + 1, 'n');
  ASSERT_TRUE(Store(kKey, longest, "01/06/2005"));
  EXPECT_EQ(Query(kKey, longest), "01/06/2005");
  EXPECT_FALSE(Store(kKey, longer, "01/06/2005"));
  EXPECT_EQ(Query(kKey, longer), "<absent>");
  // One written by an earlier version is not read either.
  test::WriteFile(folder.SettingsPath(),
                  "[Software\\Kavex\\WebUpdates]\n\"" + longer + "\"=\"01/06/2005\"\n");
  EXPECT_EQ(Query(kKey, longer), "<absent>");
}

TEST(Registry, AwkwardValuesRoundTripThroughTheFile) {
  test::TestFolder folder;
  const std::string names[] = {"", "=", "\"q\"", "back\\slash", "line\nfeed\r\n", "\xC3\xA9t\xE9"};
  for (const std::string& name : names)
    ASSERT_TRUE(Store(kKey, name, name + "|" + name + std::string("\0end", 4)));
  for (const std::string& name : names)
    EXPECT_EQ(Query(kKey, name), name + "|" + name + std::string("\0end", 4)) << name;
  ASSERT_TRUE(Store("KEY\\With \xC3\xA9 \"quotes\" ]", "n", "v"));
  EXPECT_EQ(Query("key\\with \xC3\xA9 \"QUOTES\" ]", "N"), "v");
}

TEST(Registry, AFileThatCannotBeParsedReadsAsAbsentAndIsNeverOverwritten) {
  test::TestFolder folder;
  ASSERT_TRUE(Store(kKey, "URL", "http://a/"));
  const auto openedBefore = RegistryKey::CreateForWrite(kKey);
  ASSERT_NE(openedBefore, nullptr);

  const std::string broken = "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"http://a/\n";
  test::WriteFile(folder.SettingsPath(), broken);
  EXPECT_EQ(RegistryKey::OpenForQuery(kKey), nullptr);
  EXPECT_EQ(RegistryKey::OpenForQuery(""), nullptr);
  EXPECT_EQ(RegistryKey::CreateForWrite(kKey), nullptr);
  EXPECT_EQ(RegistryKey::CreateForWrite("Other"), nullptr);
  EXPECT_FALSE(openedBefore->SetStringValue("URL", "http://b/"));
  EXPECT_EQ(test::ReadFile(folder.SettingsPath()), broken);
  EXPECT_FALSE(test::Exists(folder.SettingsPath() + ".tmp"));

  // A settings path that is not a file at all is no better.
  test::ScopedEnvironment folderAsFile("KAVEXWEBUPD_SETTINGS", folder.Path());
  EXPECT_EQ(RegistryKey::OpenForQuery(""), nullptr);
  EXPECT_FALSE(Store(kKey, "URL", "x"));
}

TEST(Registry, PermissionsAndLinksOfTheFileAreKept) {
  test::TestFolder folder;
  test::WriteFile(folder.Path("real.conf"), "");
  ::chmod(folder.Path("real.conf").c_str(), 0640);
  ASSERT_EQ(::symlink("real.conf", folder.SettingsPath().c_str()), 0);

  ASSERT_TRUE(Store(kKey, "URL", "through the link"));
  struct stat status;
  ASSERT_EQ(::lstat(folder.SettingsPath().c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(Mode(folder.Path("real.conf")), 0640u);
  EXPECT_EQ(Query(kKey, "URL"), "through the link");
}

TEST(Registry, ACrashWhileWritingLeavesTheOldFile) {
  test::TestFolder folder;
  ASSERT_TRUE(Store(kKey, "URL", "old"));
  const std::string before = test::ReadFile(folder.SettingsPath());

  // A writer that dies holding the lock, half-way through its temporary file.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    const int lock = ::open((folder.SettingsPath() + ".lock").c_str(), O_RDWR);
    ::flock(lock, LOCK_EX);
    const int temporary =
        ::open((folder.SettingsPath() + ".tmp").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const char partial[] = "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"ne";
    (void)!::write(temporary, partial, sizeof partial - 1);
    (void)!::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char signal = 0;
  ASSERT_EQ(::read(ready[0], &signal, 1), 1);
  ::close(ready[0]);
  ::kill(writer, SIGKILL);
  ::waitpid(writer, nullptr, 0);

  EXPECT_EQ(test::ReadFile(folder.SettingsPath()), before);
  EXPECT_EQ(Query(kKey, "URL"), "old");
  // The lock died with its holder and the leftover is replaced by the next write.
  ASSERT_TRUE(Store(kKey, "LogFile", "/tmp/log"));
  EXPECT_EQ(Query(kKey, "URL"), "old");
  EXPECT_EQ(Query(kKey, "LogFile"), "/tmp/log");
  EXPECT_FALSE(test::Exists(folder.SettingsPath() + ".tmp"));
}

TEST(Registry, ConcurrentWritersAllKeepTheirValues) {
  test::TestFolder folder;
  constexpr int kWriters = 6;
  constexpr int kValuesEach = 15;
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  std::vector<pid_t> writers;
  for (int writer = 0; writer < kWriters; ++writer) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(start[1]);
      char go;
      (void)!::read(start[0], &go, 1);  // all start together when the pipe closes
      bool stored = true;
      for (int value = 0; value < kValuesEach; ++value) {
        const std::string name = "W" + std::to_string(writer) + "-" + std::to_string(value);
        stored = Store(std::string(kKey) + "\\RemindDates", name, name) && stored;
      }
      ::_exit(stored ? 0 : 1);
    }
    writers.push_back(child);
  }
  ::close(start[0]);
  ::close(start[1]);
  for (const pid_t child : writers)
    EXPECT_TRUE(ExitedCleanly(child));

  for (int writer = 0; writer < kWriters; ++writer) {
    for (int value = 0; value < kValuesEach; ++value) {
      const std::string name = "W" + std::to_string(writer) + "-" + std::to_string(value);
      EXPECT_EQ(Query(std::string(kKey) + "\\RemindDates", name), name);
    }
  }
  EXPECT_FALSE(test::Exists(folder.SettingsPath() + ".tmp"));
}

TEST(Registry, OnlyAMissingFileReadsAsAbsent) {
  test::TestFolder folder;
  // A link to itself cannot be opened even by root: no value, and no write through it.
  ASSERT_EQ(::symlink("settings.conf", folder.SettingsPath().c_str()), 0);
  EXPECT_EQ(RegistryKey::OpenForQuery(""), nullptr);
  EXPECT_EQ(Query(kKey, "URL"), "<no key>");
  EXPECT_EQ(RegistryKey::CreateForWrite(kKey), nullptr);
  EXPECT_FALSE(Store(kKey, "URL", "x"));
  struct stat status;
  ASSERT_EQ(::lstat(folder.SettingsPath().c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"settings.conf"});
}

using RegistryOfAUser = test::UnprivilegedUserTest;

// A file the user may write but not read would lose every other value to a write.
TEST_F(RegistryOfAUser, AFileTheUserCannotReadIsNeverWritten) {
  const std::string content = "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"http://a/\"\n";
  const std::string path = UserFile("settings.conf", content, 0200);
  test::ScopedEnvironment settings("KAVEXWEBUPD_SETTINGS", path);
  EXPECT_EQ(test::RunAsUnprivilegedUser([] { return RegistryKey::OpenForQuery("") != nullptr; }),
            false);
  EXPECT_EQ(test::RunAsUnprivilegedUser([] { return Store(kKey, "LogFile", "/tmp/log"); }), false);
  EXPECT_EQ(test::ReadFile(path), content);
  EXPECT_EQ(Mode(path), 0200u);
}

TEST(Registry, ALinkToAFileNotYetThereCreatesThatFile) {
  test::TestFolder folder;
  ASSERT_EQ(::symlink("dotfiles/kavexwebupd.conf", folder.SettingsPath().c_str()), 0);
  ASSERT_TRUE(Store(kKey, "URL", "http://a/"));
  struct stat status;
  ASSERT_EQ(::lstat(folder.SettingsPath().c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(test::ReadFile(folder.Path("dotfiles/kavexwebupd.conf")),
            "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"http://a/\"\n");
  EXPECT_EQ(Query(kKey, "URL"), "http://a/");
}

TEST_F(RegistryOfAUser, ARunAsRootLeavesTheUserTheirFile) {
  const std::string path = UserFile("settings.conf", "[Software\\Kavex\\WebUpdates]\r\n", 0640);
  test::ScopedEnvironment settings("KAVEXWEBUPD_SETTINGS", path);

  ASSERT_TRUE(Store(kKey, "URL", "by root"));
  struct stat status;
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, test::kUnprivileged);
  EXPECT_EQ(status.st_gid, test::kUnprivileged);
  EXPECT_EQ(Mode(path), 0640u);
  ASSERT_EQ(::stat((path + ".lock").c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, test::kUnprivileged);

  // The user goes on storing values, in the file and with the lock root left.
  EXPECT_EQ(test::RunAsUnprivilegedUser([] { return Store(kKey, "LogFile", "by the user"); }),
            true);
  EXPECT_EQ(test::ReadFile(path),
            "[Software\\Kavex\\WebUpdates]\r\n\"URL\"=\"by root\"\n"
            "\"LogFile\"=\"by the user\"\n");

  // A folder and file that root makes first are the user's as well.
  const std::string made = m_user + "/config/kavexwebupd/settings.conf";
  test::ScopedEnvironment madeByRoot("KAVEXWEBUPD_SETTINGS", made);
  ASSERT_TRUE(Store(kKey, "URL", "by root"));
  for (const std::string& part : {m_user + "/config", made, made + ".lock"}) {
    ASSERT_EQ(::stat(part.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, test::kUnprivileged) << part;
  }
  EXPECT_EQ(Mode(made), 0600u);
  EXPECT_EQ(test::RunAsUnprivilegedUser([] { return Store(kKey, "LogFile", "by the user"); }),
            true);
  EXPECT_EQ(test::RunAsUnprivilegedUser([] { return Query(kKey, "URL") == "by root"; }), true);
}

TEST_F(RegistryOfAUser, AFileTheUserMadeReadOnlyIsNotWritten) {
  const std::string content = "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"http://a/\"\n";
  const std::string path = UserFile("settings.conf", content, 0444);
  test::ScopedEnvironment settings("KAVEXWEBUPD_SETTINGS", path);

  EXPECT_EQ(test::RunAsUnprivilegedUser([] { return Query(kKey, "URL") == "http://a/"; }), true);
  EXPECT_EQ(test::RunAsUnprivilegedUser([] { return Store(kKey, "URL", "http://b/"); }), false);
  EXPECT_EQ(test::RunAsUnprivilegedUser(
                [] { return Store(kKey + std::string("\\RemindDates"), "App", "01/06/2005"); }),
            false);
  EXPECT_EQ(test::ReadFile(path), content);
  EXPECT_EQ(Mode(path), 0444u);
  EXPECT_FALSE(test::Exists(path + ".tmp"));
}

TEST(Registry, AnUnusableFileIsReportedOncePerRun) {
  const char kThisTest[] = "Registry.AnUnusableFileIsReportedOncePerRun";
  if (std::getenv("KWU_RUN_AGAIN")) {
    // The run under watch: every read and write meets the file, one report is written.
    EXPECT_EQ(Query(kKey, "URL"), "<no key>");
    EXPECT_FALSE(Store(kKey, "URL", "x"));
    EXPECT_EQ(Query(kKey, "LogFile"), "<no key>");
    return;
  }
  test::TestFolder folder;
  const std::string errors = folder.Path("errors");
  test::WriteFile(folder.SettingsPath(),
                  "# fine\r\n[Software\\Kavex\\WebUpdates]\r\n\"URL\"=\"http://a/\x1b[2J\r\n"
                  "\"LogFile\"=bad\r\n");
  ASSERT_TRUE(RunAgain(kThisTest, errors));
  EXPECT_EQ(test::ReadFile(errors),
            "kavexwebupd: settings file " + folder.SettingsPath() +
                ": line 3 cannot be read (\"\\\"URL\\\"=\\\"http://a/\\x1B[2J\"); "
                "no setting from this file is used\n");

  ::unlink(folder.SettingsPath().c_str());
  ASSERT_EQ(::symlink("settings.conf", folder.SettingsPath().c_str()), 0);
  ASSERT_TRUE(RunAgain(kThisTest, errors));
  EXPECT_EQ(test::ReadFile(errors), "kavexwebupd: settings file " + folder.SettingsPath() +
                                        " cannot be read (" + std::strerror(ELOOP) +
                                        "); no setting from this file is used\n");

  ::unlink(folder.SettingsPath().c_str());
  test::TestFolder::MakeFolderAt(folder.SettingsPath());
  ASSERT_TRUE(RunAgain(kThisTest, errors));
  EXPECT_EQ(test::ReadFile(errors),
            "kavexwebupd: settings file " + folder.SettingsPath() +
                " is not a plain file; no setting from this file is used\n");

  // A missing file or a good one is no fault: nothing is said (and the run's checks,
  // made for a file it cannot use, fail).
  ::rmdir(folder.SettingsPath().c_str());
  EXPECT_FALSE(RunAgain(kThisTest, errors));
  EXPECT_EQ(test::ReadFile(errors), "");
  EXPECT_EQ(test::ReadFile(folder.SettingsPath()),
            "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"x\"\n");
  EXPECT_FALSE(RunAgain(kThisTest, errors));
  EXPECT_EQ(test::ReadFile(errors), "");
}

TEST(Registry, ALockFileThatCannotBeOpenedIsReportedOncePerRun) {
  const char kThisTest[] = "Registry.ALockFileThatCannotBeOpenedIsReportedOncePerRun";
  if (std::getenv("KWU_RUN_AGAIN")) {
    // Neither the address nor a reminder is stored, and the reading goes on.
    EXPECT_FALSE(Store(kKey, "URL", "x"));
    EXPECT_FALSE(Store(kKey + std::string("\\RemindDates"), "App", "01/06/2005"));
    EXPECT_EQ(Query(kKey, "URL"), "<no key>");
    return;
  }
  test::TestFolder folder;
  const std::string errors = folder.Path("errors");
  const std::string lock = folder.SettingsPath() + ".lock";
  ASSERT_EQ(::symlink("gone/settings.lock", lock.c_str()), 0);
  ASSERT_TRUE(RunAgain(kThisTest, errors));
  EXPECT_EQ(test::ReadFile(errors), "kavexwebupd: settings lock file " + lock +
                                        " cannot be opened (" + std::strerror(ENOENT) +
                                        "); no setting is stored\n");
  EXPECT_FALSE(test::Exists(folder.SettingsPath()));
}

#include "platform/posix/atomic_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "test_folder.h"
#include "unprivileged.h"

using platform::posix::CreateFolders;
using platform::posix::FolderOf;
using platform::posix::ReplaceFile;
using platform::posix::ResolveLink;

namespace {

using test::kUnprivileged;
using test::RunAsUnprivilegedUser;

// A user the tests give files to.
const uid_t kOtherUser = 12345;

struct stat Status(const std::string& path) {
  struct stat status = {};
  if (::lstat(path.c_str(), &status) != 0)
    ADD_FAILURE() << "cannot examine " << path;
  return status;
}

}  // namespace

TEST(AtomicFile, ReplacesTheWholeContentAndLeavesNoTemporaryFile) {
  test::TestFolder folder;
  const std::string path = folder.Path("file");
  ASSERT_TRUE(ReplaceFile(path, "first"));
  EXPECT_EQ(test::ReadFile(path), "first");
  EXPECT_EQ(Status(path).st_mode & 07777, 0600u);  // new files are private

  std::string large(3 << 20, '\0');
  for (std::size_t index = 0; index < large.size(); ++index)
    large[index] = static_cast<char>(index * 7 % 251);
  ASSERT_TRUE(ReplaceFile(path, large));
  EXPECT_EQ(test::ReadFile(path), large);
  ASSERT_TRUE(ReplaceFile(path, "short"));
  EXPECT_EQ(test::ReadFile(path), "short");
  ASSERT_TRUE(ReplaceFile(path, ""));
  EXPECT_EQ(test::ReadFile(path), "");
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"file"});
}

TEST(AtomicFile, ALeftoverTemporaryFileIsReplacedNotFollowed) {
  test::TestFolder folder;
  const std::string path = folder.Path("file");
  test::WriteFile(folder.Path("victim"), "not to be touched");
  ASSERT_EQ(::symlink("victim", (path + ".tmp").c_str()), 0);
  ASSERT_TRUE(ReplaceFile(path, "new"));
  EXPECT_EQ(test::ReadFile(path), "new");
  EXPECT_EQ(test::ReadFile(folder.Path("victim")), "not to be touched");
  EXPECT_FALSE(test::Exists(path + ".tmp"));
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileAndRemovesTheTemporaryOne) {
  test::TestFolder folder;
  const std::string path = folder.Path("file");
  test::WriteFile(path, "old");
  // A file size limit makes the write of the temporary file fail half-way.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {100, 100};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(ReplaceFile(path, std::string(1000, 'x')) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write did not fail";
  EXPECT_EQ(test::ReadFile(path), "old");
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"file"});

  // Nothing but a plain file is replaced.
  test::TestFolder::MakeFolderAt(folder.Path("folder"));
  EXPECT_FALSE(ReplaceFile(folder.Path("folder"), "x"));
  ASSERT_EQ(::symlink("file", folder.Path("link").c_str()), 0);
  EXPECT_FALSE(ReplaceFile(folder.Path("link"), "x"));
  EXPECT_TRUE(S_ISLNK(Status(folder.Path("link")).st_mode));
  EXPECT_FALSE(ReplaceFile(folder.Path("missing/file"), "x"));
  EXPECT_EQ(test::ReadFile(path), "old");
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"file", "folder", "link"}));
}

TEST(AtomicFile, TheReplacementKeepsOwnerGroupAndPermissions) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "giving a file to another user takes root";
  test::TestFolder folder;
  const std::string path = folder.Path("file");
  test::WriteFile(path, "old");
  ASSERT_EQ(::chown(path.c_str(), kOtherUser, kOtherUser), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFile(path, "new"));
  struct stat status = Status(path);
  EXPECT_EQ(status.st_uid, kOtherUser);
  EXPECT_EQ(status.st_gid, kOtherUser);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  EXPECT_EQ(test::ReadFile(path), "new");

  // Root may write a read-only file in place, and so may replace it; it stays read-only.
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  ASSERT_TRUE(ReplaceFile(path, "by root"));
  status = Status(path);
  EXPECT_EQ(status.st_mode & 07777, 0444u);
  EXPECT_EQ(status.st_uid, kOtherUser);
  EXPECT_EQ(test::ReadFile(path), "by root");
}

using AtomicFileOfAUser = test::UnprivilegedUserTest;

TEST_F(AtomicFileOfAUser, AFileTheProcessCouldNotWriteInPlaceIsNotReplaced) {
  const std::string own = UserFile("own", "old", 0604);
  const std::string readOnly = UserFile("read-only", "old", 0444);
  // Writable for everyone, but a replacement would change its owner.
  const std::string others = UserFile("others", "old", 0666);
  ASSERT_EQ(::chown(others.c_str(), kOtherUser, kOtherUser), 0);

  EXPECT_EQ(RunAsUnprivilegedUser([&] { return ReplaceFile(own, "new"); }), true);
  EXPECT_EQ(RunAsUnprivilegedUser([&] { return ReplaceFile(readOnly, "new"); }), false);
  EXPECT_EQ(RunAsUnprivilegedUser([&] { return ReplaceFile(others, "new"); }), false);

  EXPECT_EQ(test::ReadFile(own), "new");
  EXPECT_EQ(Status(own).st_mode & 07777, 0604u);
  EXPECT_EQ(test::ReadFile(readOnly), "old");
  EXPECT_EQ(Status(readOnly).st_mode & 07777, 0444u);
  EXPECT_EQ(test::ReadFile(others), "old");
  EXPECT_EQ(Status(others).st_uid, kOtherUser);
  EXPECT_FALSE(test::Exists(readOnly + ".tmp"));
  EXPECT_FALSE(test::Exists(others + ".tmp"));
}

TEST(AtomicFile, LinksAreFollowedToTheFileTheyName) {
  test::TestFolder folder;
  test::TestFolder::MakeFolderAt(folder.Path("real"));
  test::WriteFile(folder.Path("real/file"), "");
  ASSERT_EQ(::symlink("real/file", folder.Path("relative").c_str()), 0);
  ASSERT_EQ(::symlink("../relative", folder.Path("real/chained").c_str()), 0);
  ASSERT_EQ(::symlink(folder.Path("real/chained").c_str(), folder.Path("absolute").c_str()), 0);
  ASSERT_EQ(::symlink("not/yet/there", folder.Path("dangling").c_str()), 0);
  ASSERT_EQ(::symlink("self", folder.Path("self").c_str()), 0);
  ASSERT_EQ(::symlink("loop-b", folder.Path("loop-a").c_str()), 0);
  ASSERT_EQ(::symlink("loop-a", folder.Path("loop-b").c_str()), 0);

  std::string target;
  ASSERT_TRUE(ResolveLink(folder.Path("relative"), target));
  EXPECT_EQ(target, folder.Path("real/file"));
  ASSERT_TRUE(ResolveLink(folder.Path("absolute"), target));
  EXPECT_EQ(target, folder.Path("real/../real/file"));
  EXPECT_EQ(test::ReadFile(target), "");
  ASSERT_TRUE(ResolveLink(folder.Path("dangling"), target));
  EXPECT_EQ(target, folder.Path("not/yet/there"));
  ASSERT_TRUE(ResolveLink(folder.Path("plain"), target));  // not there: itself
  EXPECT_EQ(target, folder.Path("plain"));
  EXPECT_FALSE(ResolveLink(folder.Path("self"), target));
  EXPECT_FALSE(ResolveLink(folder.Path("loop-a"), target));
}

TEST(AtomicFile, FoldersAreCreatedPrivateWithTheirParents) {
  test::TestFolder folder;
  EXPECT_TRUE(CreateFolders(folder.Path("a/b/c")));
  EXPECT_EQ(Status(folder.Path("a")).st_mode & 07777, 0700u);
  EXPECT_TRUE(S_ISDIR(Status(folder.Path("a/b/c")).st_mode));
  EXPECT_TRUE(CreateFolders(folder.Path("a/b")));  // there already
  test::WriteFile(folder.Path("file"), "");
  EXPECT_FALSE(CreateFolders(folder.Path("file")));
  EXPECT_FALSE(CreateFolders(folder.Path("file/sub")));

  if (::geteuid() == 0) {
    // Made by root in a user's folder: the user's, as the user's own run would make it.
    const std::string user = test::MakeUnprivilegedFolder(folder);
    ASSERT_FALSE(user.empty());
    EXPECT_TRUE(CreateFolders(user + "/x/y"));
    EXPECT_EQ(Status(user + "/x").st_uid, kUnprivileged);
    EXPECT_EQ(Status(user + "/x/y").st_gid, kUnprivileged);
    EXPECT_EQ(Status(user + "/x/y").st_mode & 07777, 0700u);
    EXPECT_EQ(Status(folder.Path("a")).st_uid, 0u);
  }

  EXPECT_EQ(FolderOf("/etc/x"), "/etc");
  EXPECT_EQ(FolderOf("/x"), "/");
  EXPECT_EQ(FolderOf("x"), ".");
}

#include "platform/posix/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {
namespace posix {

namespace {

const char kTemporarySuffix[] = ".tmp";
// As many links in a row as the kernel follows before it reports a loop.
const int kMaxLinks = 40;

// The text of a symbolic link; false when it cannot be read.
bool ReadLink(const std::string& path, std::string& text) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0)
      return false;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      text.assign(buffer.data(), static_cast<std::size_t>(length));
      return !text.empty();
    }
    buffer.resize(buffer.size() * 2);  // the text may have been cut short
  }
}

// Gives the temporary file the owner, group and permissions of the file it replaces.
// The owner goes first: changing it clears the set-user and set-group bits.
bool KeepOwnerAndMode(int fd, const struct stat& replaced) {
  struct stat created;
  if (::fstat(fd, &created) != 0)
    return false;
  if ((created.st_uid != replaced.st_uid || created.st_gid != replaced.st_gid) &&
      ::fchown(fd, replaced.st_uid, replaced.st_gid) != 0)
    return false;
  return ::fchmod(fd, replaced.st_mode & 07777) == 0;
}

}  // namespace

void GiveToFolderOwner(int fd, const std::string& folder) {
  struct stat owner;
  if (::stat(folder.c_str(), &owner) == 0)
    (void)!::fchown(fd, owner.st_uid, owner.st_gid);  // not allowed: it stays the process's
}

FileDescriptor::~FileDescriptor() {
  if (m_fd >= 0)
    ::close(m_fd);
}

bool FileDescriptor::Close() {
  const int fd = m_fd;
  m_fd = -1;
  return fd < 0 || ::close(fd) == 0;
}

bool WriteAll(int fd, const std::string& content) {
  std::size_t written = 0;
  while (written < content.size()) {
    const ssize_t count = ::write(fd, content.data() + written, content.size() - written);
    if (count < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    written += static_cast<std::size_t>(count);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool CreateFolders(const std::string& folder) {
  struct stat status;
  if (::stat(folder.c_str(), &status) == 0)
    return S_ISDIR(status.st_mode);
  const std::string parent = FolderOf(folder);
  if (parent != folder && !CreateFolders(parent))
    return false;
  if (::mkdir(folder.c_str(), 0700) != 0)
    return errno == EEXIST;
  // Opened, not named, for the change of owner: what is there now may no longer be the
  // folder just made.
  FileDescriptor made(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (made.IsValid())
    GiveToFolderOwner(made.Get(), parent);
  return true;
}

bool ResolveLink(const std::string& path, std::string& target) {
  std::string current = path;
  for (int links = 0; links <= kMaxLinks; ++links) {
    struct stat status;
    // Anything but a link, or nothing at all yet, is where the file is; a path that
    // cannot be examined fails later, when it is opened.
    if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      target = current;
      return true;
    }
    std::string text;
    if (!ReadLink(current, text))
      return false;
    current = text[0] == '/' ? text : FolderOf(current) + "/" + text;
  }
  return false;
}

bool ReplaceFile(const std::string& path, const std::string& content) {
  struct stat replaced;
  const bool replacing = ::lstat(path.c_str(), &replaced) == 0;
  if (!replacing && errno != ENOENT)
    return false;
  if (replacing) {
    if (!S_ISREG(replaced.st_mode))
      return false;
    // The rename needs only the folder's permission; the file's own must allow the write
    // too, so that a file made read-only stays as it is.
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
      return false;
  }

  // A leftover is removed rather than opened, so that whatever it is (a link, another
  // user's file) the new content goes into a file of this process's making.
  const std::string temporary = path + kTemporarySuffix;
  if (::unlink(temporary.c_str()) != 0 && errno != ENOENT)
    return false;
  FileDescriptor file(
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!file.IsValid())
    return false;

  if (!replacing)
    GiveToFolderOwner(file.Get(), FolderOf(path));
  const bool stored = (!replacing || KeepOwnerAndMode(file.Get(), replaced)) &&
                      WriteAll(file.Get(), content) && ::fsync(file.Get()) == 0 && file.Close() &&
                      ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!stored) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  FileDescriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.IsValid())
    ::fsync(folder.Get());
  return true;
}

}  // namespace posix
}  // namespace platform

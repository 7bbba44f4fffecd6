#include "platform/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/atomic_file.h"

namespace platform {

bool WriteNewFile(const std::string& path, const std::string& content, bool ownerOnly) {
  posix::FileDescriptor file(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly ? 0600 : 0666));
  if (!file.IsValid())
    return false;
  if (posix::WriteAll(file.Get(), content) && ::fsync(file.Get()) == 0 && file.Close())
    return true;
  ::unlink(path.c_str());
  return false;
}

bool ReplaceFileContent(const std::string& path, const std::string& content) {
  struct stat existing;
  if (::lstat(path.c_str(), &existing) != 0)
    return WriteNewFile(path, content, false);
  // The settings file's way: a temporary file renamed over it, owner and mode kept.
  return posix::ReplaceFile(path, content);
}

bool IsSameFile(const std::string& first, const std::string& second) {
  struct stat a;
  struct stat b;
  return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool ReadableByOthers(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

}  // namespace platform

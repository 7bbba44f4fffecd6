#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::FILE* OpenFileForReading(const std::string& path) {
  // Opened without waiting, so that a pipe named like a product file cannot hold the run
  // up, and taken only when it is a plain file; reads then wait as usual.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0)
    return nullptr;
  struct stat status;
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      ::fcntl(descriptor, F_SETFL, 0) != 0) {
    ::close(descriptor);
    return nullptr;
  }
  std::FILE* file = ::fdopen(descriptor, "r");
  if (!file)
    ::close(descriptor);
  return file;
}

std::FILE* OpenTextFileForReading(const std::string& path) {
  return OpenFileForReading(path);  // text is read as it is
}

}  // namespace platform

// The current user's settings on Linux: one text file that holds the keys and string
// values the program keeps in the registry on Windows (see docs/linux-port.md).
#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/settings_file.h"

namespace platform {

namespace {

using posix::SettingsDocument;

const char kSettingsVariable[] = "KAVEXWEBUPD_SETTINGS";  // full path of the file
const char kSettingsFolder[] = "kavexwebupd";
const char kSettingsFileName[] = "settings.conf";
const char kLockSuffix[] = ".lock";
const char kTemporarySuffix[] = ".tmp";

// A file descriptor that closes itself.
class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return m_fd; }
  bool IsValid() const { return m_fd >= 0; }
  // Closes now, reporting whether the close succeeded.
  bool Close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int m_fd;
};

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home)
    return home;
  const passwd* user = ::getpwuid(::getuid());
  return (user && user->pw_dir) ? user->pw_dir : std::string();
}

// $KAVEXWEBUPD_SETTINGS, else $XDG_CONFIG_HOME/kavexwebupd/settings.conf, else
// ~/.config/kavexwebupd/settings.conf. Empty when there is no home folder to go by.
std::string SettingsFilePath() {
  const char* configured = std::getenv(kSettingsVariable);
  if (configured && *configured)
    return configured;
  std::string base;
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  // The XDG rules say a relative XDG_CONFIG_HOME is to be ignored.
  if (configHome && configHome[0] == '/') {
    base = configHome;
  } else {
    const std::string home = HomeFolder();
    if (home.empty())
      return std::string();
    base = home + "/.config";
  }
  return base + "/" + kSettingsFolder + "/" + kSettingsFileName;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A settings file that is a link (to a dotfiles repository, say) is updated where it
// points, so that storing a value does not replace the link with a copy.
std::string ResolveLink(const std::string& path) {
  struct stat status;
  if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
    return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved)
    return path;
  const std::string target = resolved;
  std::free(resolved);
  return target;
}

// Creates the folder and any missing parents, private to the user.
bool CreateFolders(const std::string& folder) {
  struct stat status;
  if (::stat(folder.c_str(), &status) == 0)
    return S_ISDIR(status.st_mode);
  const std::string parent = FolderOf(folder);
  if (parent != folder && !CreateFolders(parent))
    return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

enum class LoadResult { kLoaded, kAbsent, kUnusable };

// Reads and parses the file. A file that exists but cannot be read or parsed is
// unusable: it reads as absent and is never overwritten.
LoadResult LoadSettings(const std::string& path, SettingsDocument& document) {
  if (path.empty())
    return LoadResult::kUnusable;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.IsValid())
    return (errno == ENOENT || errno == ENOTDIR) ? LoadResult::kAbsent : LoadResult::kUnusable;
  struct stat status;
  if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
    return LoadResult::kUnusable;

  std::string content;
  char buffer[8192];
  for (;;) {
    const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
    if (count == 0)
      break;
    if (count < 0) {
      if (errno == EINTR)
        continue;
      return LoadResult::kUnusable;
    }
    content.append(buffer, static_cast<std::size_t>(count));
  }
  return document.Parse(content) ? LoadResult::kLoaded : LoadResult::kUnusable;
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

// Replaces the file with content: a temporary file beside it is written and flushed to
// disk, then renamed over it, so that a crash leaves either the old or the new file.
bool ReplaceFile(const std::string& path, const std::string& content) {
  const std::string folder = FolderOf(path);
  const std::string temporary = path + kTemporarySuffix;
  // Only the holder of the lock writes the temporary file, so a fixed name is safe; one
  // left behind by a crash is simply overwritten.
  FileDescriptor file(::open(temporary.c_str(),
                             O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!file.IsValid())
    return false;
  struct stat existing;
  if (::stat(path.c_str(), &existing) == 0)
    ::fchmod(file.Get(), existing.st_mode & 07777);  // keep the permissions the user chose

  const bool stored = WriteAll(file.Get(), content) && ::fsync(file.Get()) == 0 &&
                      file.Close() && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!stored) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  FileDescriptor folderHandle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderHandle.IsValid())
    ::fsync(folderHandle.Get());
  return true;
}

// Applies a change to the current content of the file under an exclusive lock, so that
// concurrent runs each see the other's values. The change returns whether it changed the
// document; the file is written only then.
template <typename Change>
bool UpdateSettings(Change change) {
  const std::string configured = SettingsFilePath();
  if (configured.empty())
    return false;
  const std::string path = ResolveLink(configured);
  if (!CreateFolders(FolderOf(path)))
    return false;

  // The lock lives in a file of its own: the settings file is replaced by every write.
  const std::string lockPath = path + kLockSuffix;
  FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock.IsValid())
    return false;
  while (::flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR)
      return false;
  }

  SettingsDocument document;
  if (LoadSettings(path, document) == LoadResult::kUnusable)
    return false;
  if (!change(document))
    return true;
  return ReplaceFile(path, document.Serialize());
}  // the lock is released when its file closes

class SettingsFileKey : public RegistryKey {
public:
  SettingsFileKey(std::string path, SettingsDocument snapshot)
      : m_path(std::move(path)), m_snapshot(std::move(snapshot)) {}

  bool QueryValue(const std::string& name, char* buffer, std::size_t capacity,
                  std::size_t& copied) const override {
    copied = 0;
    std::string data;
    if (!m_snapshot.FindValue(m_path, name, data))
      return false;
    // The data and its terminating zero must fit, as with the registry's string values.
    if (data.size() + 1 > capacity)
      return false;
    std::memcpy(buffer, data.data(), data.size());
    buffer[data.size()] = '\0';
    copied = data.size() + 1;
    return true;
  }

  bool SetStringValue(const std::string& name, const std::string& data) override {
    const bool stored = UpdateSettings([&](SettingsDocument& document) {
      document.SetValue(m_path, name, data);
      return true;
    });
    if (stored)
      m_snapshot.SetValue(m_path, name, data);
    return stored;
  }

private:
  std::string m_path;
  SettingsDocument m_snapshot;  // the file as it was when the key was opened
};

}  // namespace

std::unique_ptr<RegistryKey> RegistryKey::OpenForQuery(const std::string& path) {
  if (!posix::IsValidKeyPath(path))
    return nullptr;
  SettingsDocument document;
  const LoadResult result = LoadSettings(SettingsFilePath(), document);
  if (result == LoadResult::kUnusable || !document.HasKey(path))
    return nullptr;
  return std::make_unique<SettingsFileKey>(path, std::move(document));
}

std::unique_ptr<RegistryKey> RegistryKey::CreateForWrite(const std::string& path) {
  if (!posix::IsValidKeyPath(path))
    return nullptr;
  SettingsDocument current;
  const bool created = UpdateSettings([&](SettingsDocument& document) {
    const bool changed = document.AddKey(path);
    current = document;
    return changed;
  });
  if (!created)
    return nullptr;
  return std::make_unique<SettingsFileKey>(path, std::move(current));
}

}  // namespace platform

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
#include <iostream>
#include <string>

#include "platform/posix/atomic_file.h"
#include "platform/posix/settings_file.h"
#include "platform/test_faults.h"

namespace platform {

namespace {

using posix::FileDescriptor;
using posix::SettingsDocument;

const char kSettingsVariable[] = "KAVEXWEBUPD_SETTINGS";  // full path of the file
const char kSettingsFolder[] = "kavexwebupd";
const char kSettingsFileName[] = "settings.conf";
const char kLockSuffix[] = ".lock";
const char kProgramName[] = "kavexwebupd";  // the start of the program's own messages
const std::size_t kShownLineLimit = 80;     // bytes of a bad line shown in a message

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

// Writes one line about a settings file that cannot be used, at most once per run for
// each kind (reported): without a word the program would quietly go back to its defaults
// or store nothing.
void ReportOnce(bool& reported, const char* what, const std::string& path,
                const std::string& reason, const char* consequence) {
  if (reported)
    return;
  reported = true;
  std::cerr << kProgramName << ": " << what << " "
            << posix::EscapeSettingsText(path, std::string::npos) << reason << "; " << consequence
            << std::endl;
}

void ReportUnusableFile(const std::string& path, const std::string& reason) {
  static bool reported = false;
  ReportOnce(reported, "settings file", path, reason, "no setting from this file is used");
}

// The lock file cannot be opened (a dangling link, a folder, no permission): nothing can
// be stored, a reminder included.
void ReportUnusableLock(const std::string& path, int error) {
  static bool reported = false;
  ReportOnce(reported, "settings lock file", path,
             std::string(" cannot be opened (") + std::strerror(error) + ")",
             "no setting is stored");
}

std::string ErrorText(int error) {
  return std::string(" cannot be read (") + std::strerror(error) + ")";
}

enum class LoadResult { kLoaded, kAbsent, kUnusable };

// Reads and parses the file. A file that exists but cannot be read or parsed is
// unusable: it reads as absent and is never overwritten. Only a file that is not there
// is absent: any other failure to open it (a loop of links, no permission) makes it
// unusable, since a write would replace a file the program cannot read.
LoadResult LoadSettings(const std::string& path, SettingsDocument& document) {
  if (path.empty())
    return LoadResult::kUnusable;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.IsValid()) {
    if (errno == ENOENT || errno == ENOTDIR)
      return LoadResult::kAbsent;
    ReportUnusableFile(path, ErrorText(errno));
    return LoadResult::kUnusable;
  }
  struct stat status;
  if (::fstat(file.Get(), &status) != 0) {
    ReportUnusableFile(path, ErrorText(errno));
    return LoadResult::kUnusable;
  }
  if (!S_ISREG(status.st_mode)) {
    ReportUnusableFile(path, " is not a plain file");
    return LoadResult::kUnusable;
  }

  std::string content;
  char buffer[8192];
  for (;;) {
    const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
    if (count == 0)
      break;
    if (count < 0) {
      if (errno == EINTR)
        continue;
      ReportUnusableFile(path, ErrorText(errno));
      return LoadResult::kUnusable;
    }
    content.append(buffer, static_cast<std::size_t>(count));
  }
  SettingsDocument::ParseError error;
  if (!document.Parse(content, &error)) {
    ReportUnusableFile(path, ": line " + std::to_string(error.lineNumber) + " cannot be read (\"" +
                                 posix::EscapeSettingsText(error.lineText, kShownLineLimit) +
                                 "\")");
    return LoadResult::kUnusable;
  }
  return LoadResult::kLoaded;
}

// Opens the lock file, creating it when needed. A new one goes to the owner of its
// folder, so that a run as root leaves the user a lock the user can still take.
int OpenLock(const std::string& lockPath, const std::string& folder) {
  const int created = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (created >= 0) {
    posix::GiveToFolderOwner(created, folder);
    return created;
  }
  return errno == EEXIST ? ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC) : -1;
}

// Applies a change to the current content of the file under an exclusive lock, so that
// concurrent runs each see the other's values. The change returns whether it changed the
// document; the file is written only then.
template <typename Change>
bool UpdateSettings(Change change) {
  // The fault point: the file refuses writing, as one the user may only read.
  if (TestFault("settings-write"))
    return false;
  const std::string configured = SettingsFilePath();
  std::string path;
  // A loop of links has no file to update: the write fails and the links stay.
  if (configured.empty() || !posix::ResolveLink(configured, path))
    return false;
  if (!posix::CreateFolders(posix::FolderOf(path)))
    return false;

  // The lock lives in a file of its own: the settings file is replaced by every write.
  const std::string lockPath = path + kLockSuffix;
  FileDescriptor lock(OpenLock(lockPath, posix::FolderOf(path)));
  if (!lock.IsValid()) {
    ReportUnusableLock(lockPath, errno);
    return false;
  }
  while (::flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR)
      return false;
  }

  SettingsDocument document;
  if (LoadSettings(path, document) == LoadResult::kUnusable)
    return false;
  if (!change(document))
    return true;
  return posix::ReplaceFile(path, document.Serialize());
}  // the lock is released when its file closes

class SettingsFileKey : public RegistryKey {
public:
  SettingsFileKey(std::string path, SettingsDocument snapshot)
      : m_path(std::move(path)), m_snapshot(std::move(snapshot)) {}

  bool QueryValue(const std::string& name, char* buffer, std::size_t capacity,
                  std::size_t& copied) const override {
    copied = 0;
    std::string data;
    if (name.size() > kMaxValueNameLength || !m_snapshot.FindValue(m_path, name, data))
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
    if (name.size() > kMaxValueNameLength)
      return false;
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

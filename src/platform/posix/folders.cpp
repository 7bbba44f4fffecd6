#include "platform/folders.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstdlib>
#include <vector>

namespace platform {

namespace {

// Where product packages install their description files on Linux; tests and unusual
// installs point elsewhere with the environment variable.
const char kCommonAppDataVariable[] = "KAVEXWEBUPD_COMMON_APPDATA";
const char kDefaultCommonAppData[] = "/usr/share";

}  // namespace

bool IsFolder(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool GetCommonAppDataFolder(std::string& path) {
  const char* configured = std::getenv(kCommonAppDataVariable);
  std::string folder = (configured && *configured) ? configured : kDefaultCommonAppData;
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  // Like the Windows shell, report failure for a folder that does not exist.
  if (!IsFolder(folder))
    return false;
  path = folder;
  return true;
}

struct FileFind::State {
  std::string folder;              // the pattern's folder part, ending with '/'
  std::vector<std::string> names;  // matching entries, in the order the folder lists them
  std::size_t next = 0;            // index of the entry FindNextFile makes current
  std::string current;
};

FileFind::FileFind() = default;
FileFind::~FileFind() = default;

bool FileFind::FindFile(const std::string& pattern) {
  Close();
  auto state = std::make_unique<State>();
  const auto slash = pattern.rfind('/');
  state->folder = slash == std::string::npos ? "./" : pattern.substr(0, slash + 1);
  const std::string wildcard = slash == std::string::npos ? pattern : pattern.substr(slash + 1);

  std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(state->folder.c_str()), &::closedir);
  if (!folder)
    return false;
  while (const dirent* entry = ::readdir(folder.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    if (::fnmatch(wildcard.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
      state->names.push_back(name);
  }
  if (state->names.empty())
    return false;
  m_state = std::move(state);
  return true;
}

bool FileFind::FindNextFile() {
  if (!m_state || m_state->next >= m_state->names.size())
    return false;
  m_state->current = m_state->names[m_state->next++];
  return m_state->next < m_state->names.size();
}

std::string FileFind::GetFilePath() const {
  return m_state ? m_state->folder + m_state->current : std::string();
}

void FileFind::Close() {
  m_state.reset();
}

}  // namespace platform

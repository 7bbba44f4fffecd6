#include "platform/folders.h"

#include "platform/win32/windows_include.h"

#include <shlobj.h>

namespace platform {

bool GetCommonAppDataFolder(std::string& path) {
  char buffer[MAX_PATH] = {};
  // No owner window, no user token, the current path, and no CSIDL_FLAG_CREATE: a
  // missing folder is reported, not made.
  const HRESULT result =
      ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer);
  buffer[MAX_PATH - 1] = '\0';
  // An empty path would turn the search into one at the root of the current drive.
  if (FAILED(result) || buffer[0] == '\0')
    return false;
  path = buffer;
  return true;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

bool IsDotEntry(const WIN32_FIND_DATAA& entry) {
  const char* name = entry.cFileName;
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

struct FileFind::State {
  // Closes the search handle however the search ends.
  struct SearchHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~SearchHandle() {
      if (handle != INVALID_HANDLE_VALUE)
        ::FindClose(handle);
    }
  };

  SearchHandle search;
  std::string folder;        // the pattern up to and including its last separator
  WIN32_FIND_DATAA current;  // the entry FindNextFile made current
  WIN32_FIND_DATAA next;     // the entry the next FindNextFile makes current
  bool hasCurrent = false;
  bool hasNext = false;

  // Fetches the following entry other than "." and ".." into next.
  void Advance() {
    hasNext = false;
    while (::FindNextFileA(search.handle, &next)) {
      if (!IsDotEntry(next)) {
        hasNext = true;
        return;
      }
    }
  }
};

FileFind::FileFind() = default;
FileFind::~FileFind() = default;

bool FileFind::FindFile(const std::string& pattern) {
  Close();
  auto state = std::make_unique<State>();
  const auto separator = pattern.find_last_of("\\/");
  state->folder = separator == std::string::npos ? std::string() : pattern.substr(0, separator + 1);

  state->search.handle = ::FindFirstFileA(pattern.c_str(), &state->next);
  if (state->search.handle == INVALID_HANDLE_VALUE)
    return false;
  state->hasNext = !IsDotEntry(state->next);
  if (!state->hasNext)
    state->Advance();
  if (!state->hasNext)
    return false;
  m_state = std::move(state);
  return true;
}

bool FileFind::FindNextFile() {
  if (!m_state || !m_state->hasNext)
    return false;
  m_state->current = m_state->next;
  m_state->hasCurrent = true;
  m_state->Advance();
  return m_state->hasNext;
}

std::string FileFind::GetFilePath() const {
  if (!m_state || !m_state->hasCurrent)
    return std::string();
  return m_state->folder + m_state->current.cFileName;
}

void FileFind::Close() {
  m_state.reset();
}

}  // namespace platform

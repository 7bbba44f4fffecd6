#pragma once
#include <memory>
#include <string>

namespace platform {

// The common (all users) application-data folder, without a trailing separator.
// False when the platform cannot give it; the folder is never created.
bool GetCommonAppDataFolder(std::string& path);

// Whether path names a folder that exists (a link to one counts).
bool IsFolder(const std::string& path);

// A search for the entries of one folder whose names match a wildcard ("*.xml"),
// matched without regard to case. Usage, as with the Windows file search:
//   bool more = find.FindFile(pattern);
//   while (more) { more = find.FindNextFile(); use(find.GetFilePath()); }
class FileFind {
public:
  FileFind();
  ~FileFind();
  FileFind(const FileFind&) = delete;
  FileFind& operator=(const FileFind&) = delete;

  // Starts the search; true when at least one entry matches.
  bool FindFile(const std::string& pattern);
  // Makes the next entry the current one; true while a further entry follows it.
  bool FindNextFile();
  // Full path of the current entry: the pattern's folder part and the entry's name.
  std::string GetFilePath() const;
  void Close();

private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace platform

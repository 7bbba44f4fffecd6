#pragma once
// Replacing a file whole: a reader sees the old content or the new, never a mixture, and
// a crash leaves one of the two on disk.
#include <string>

namespace platform {
namespace posix {

// A file descriptor that closes itself.
class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return m_fd; }
  bool IsValid() const { return m_fd >= 0; }
  // Closes now, reporting whether the close succeeded.
  bool Close();

private:
  int m_fd;
};

// Writes every byte, going on after interrupted and partial writes.
bool WriteAll(int fd, const std::string& content);

// The folder part of a path: "." for a bare name, "/" for a name in the root.
std::string FolderOf(const std::string& path);

// Gives a file or folder just made in folder to that folder's owner and group where the
// process may (a run as root in a user's folder), so that the user's own runs can still
// use it; otherwise it stays the process's.
void GiveToFolderOwner(int fd, const std::string& folder);

// Creates the folder and any missing parents, private (0700) to the owner of the folder
// each is made in where the process may give it away, else to the process. False when a
// part of the path exists but is not a folder, or a folder cannot be made.
bool CreateFolders(const std::string& folder);

// The file a path names once the symbolic links of its last part are followed, so that
// the file is replaced where it is and the links stay: a relative link is taken from the
// link's folder, and a link to a file that does not exist yet gives the path where it
// will be. False for a loop of links or a link that cannot be read.
bool ResolveLink(const std::string& path, std::string& target);

// Replaces the file at path with content: a temporary file beside it, path + ".tmp", is
// written and flushed to disk, then renamed over the file, and the folder is flushed.
// The replacement keeps the owner, group and permission bits of the file it replaces; a
// new file has permissions 0600 and the owner of its folder where the process may give
// it away, else the process's. Refused, leaving the file as it
// was, when the process could not have written the file in place (its permissions deny
// it), when the owner or group cannot be kept, and when path names something other than a
// plain file. No temporary file is left after a failure. Callers must keep other writers
// of the same file away meanwhile: the temporary name is fixed, and a leftover from a
// crash is removed first.
bool ReplaceFile(const std::string& path, const std::string& content);

}  // namespace posix
}  // namespace platform

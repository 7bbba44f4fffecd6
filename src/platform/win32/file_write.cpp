#include "platform/file_write.h"

#include "platform/win32/windows_include.h"

namespace platform {

namespace {

// A file handle that closes itself.
class FileHandle {
public:
  explicit FileHandle(HANDLE handle) : m_handle(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }
  // Writes every byte and flushes them to the disk.
  bool WriteAll(const std::string& content) {
    DWORD written = 0;
    return WriteFile(m_handle, content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size() && FlushFileBuffers(m_handle);
  }
  bool Close() {
    const HANDLE handle = m_handle;
    m_handle = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || CloseHandle(handle);
  }

private:
  HANDLE m_handle;
};

bool WriteFileAs(const std::string& path, const std::string& content, DWORD disposition) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid())
    return false;
  if (file.WriteAll(content) && file.Close())
    return true;
  DeleteFileA(path.c_str());
  return false;
}

}  // namespace

bool WriteNewFile(const std::string& path, const std::string& content, bool /*ownerOnly*/) {
  return WriteFileAs(path, content, CREATE_NEW);
}

bool ReplaceFileContent(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".tmp";
  if (!WriteFileAs(temporary, content, CREATE_ALWAYS))
    return false;
  if (MoveFileExA(temporary.c_str(), path.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileA(temporary.c_str());
  return false;
}

}  // namespace platform

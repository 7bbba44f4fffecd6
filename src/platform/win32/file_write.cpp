#include "platform/file_write.h"

#include "platform/win32/windows_include.h"

#include <vector>

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

// A security descriptor whose access list lets the user who runs the tool, and no one
// else, use the file: nothing is inherited from the folder.
class OwnerOnly {
public:
  OwnerOnly() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
      return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    m_user.resize(size);
    const bool known = size != 0 && GetTokenInformation(token, TokenUser, m_user.data(), size, &size);
    CloseHandle(token);
    if (!known)
      return;
    PSID sid = reinterpret_cast<TOKEN_USER*>(m_user.data())->User.Sid;
    m_acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    PACL acl = reinterpret_cast<PACL>(m_acl.data());
    m_valid = InitializeAcl(acl, static_cast<DWORD>(m_acl.size()), ACL_REVISION) &&
              AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
              InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE) &&
              SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    m_attributes = {sizeof m_attributes, &m_descriptor, FALSE};
  }
  // Null when it could not be made: a private key is not written then.
  SECURITY_ATTRIBUTES* Attributes() { return m_valid ? &m_attributes : nullptr; }

private:
  std::vector<unsigned char> m_user;
  std::vector<unsigned char> m_acl;
  SECURITY_DESCRIPTOR m_descriptor{};
  SECURITY_ATTRIBUTES m_attributes{};
  bool m_valid = false;
};

bool WriteFileAs(const std::string& path, const std::string& content, DWORD disposition,
                 SECURITY_ATTRIBUTES* security = nullptr) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, security, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid())
    return false;
  if (file.WriteAll(content) && file.Close())
    return true;
  DeleteFileA(path.c_str());
  return false;
}

}  // namespace

bool WriteNewFile(const std::string& path, const std::string& content, bool ownerOnly) {
  if (!ownerOnly)
    return WriteFileAs(path, content, CREATE_NEW);
  OwnerOnly security;
  return security.Attributes() != nullptr &&
         WriteFileAs(path, content, CREATE_NEW, security.Attributes());
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

bool IsSameFile(const std::string& first, const std::string& second) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::string* paths[2] = {&first, &second};
  for (int i = 0; i < 2; ++i) {
    const HANDLE file = CreateFileA(paths[i]->c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return false;
    const bool known = GetFileInformationByHandle(file, &info[i]);
    CloseHandle(file);
    if (!known)
      return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool ReadableByOthers(const std::string& /*path*/) {
  return false;
}

}  // namespace platform

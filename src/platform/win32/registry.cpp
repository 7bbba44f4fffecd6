#include "platform/registry.h"

#include <limits>

#include "platform/test_faults.h"
#include "platform/win32/windows_include.h"

namespace platform {

namespace {

// An open key under HKEY_CURRENT_USER, closed when the object goes.
class Win32RegistryKey : public RegistryKey {
public:
  Win32RegistryKey() = default;
  ~Win32RegistryKey() override {
    if (m_key)
      ::RegCloseKey(m_key);
  }
  Win32RegistryKey(const Win32RegistryKey&) = delete;
  Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

  bool QueryValue(const std::string& name, char* buffer, std::size_t capacity,
                  std::size_t& copied) const override {
    copied = 0;
    if (capacity > std::numeric_limits<DWORD>::max())
      return false;
    DWORD size = static_cast<DWORD>(capacity);
    const LONG result = ::RegQueryValueExA(m_key, name.c_str(), nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS || size > capacity)
      return false;
    copied = size;
    return true;
  }

  bool SetStringValue(const std::string& name, const std::string& data) override {
    if (data.size() >= std::numeric_limits<DWORD>::max())
      return false;
    const DWORD size = static_cast<DWORD>(data.size() + 1);  // with the terminating zero
    return ::RegSetValueExA(m_key, name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()), size) == ERROR_SUCCESS;
  }

  // The object exists before the key is opened, so that no handle is ever held unowned.
  HKEY* Receiver() { return &m_key; }

private:
  HKEY m_key = nullptr;
};

}  // namespace

std::unique_ptr<RegistryKey> RegistryKey::OpenForQuery(const std::string& path) {
  auto key = std::make_unique<Win32RegistryKey>();
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key->Receiver()) !=
      ERROR_SUCCESS) {
    *key->Receiver() = nullptr;  // nothing was opened, whatever the call left there
    return nullptr;
  }
  return key;
}

std::unique_ptr<RegistryKey> RegistryKey::CreateForWrite(const std::string& path) {
  // The fault point: the key refuses writing, as one the user may only read.
  if (TestFault("settings-write"))
    return nullptr;
  auto key = std::make_unique<Win32RegistryKey>();
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, key->Receiver(), nullptr) != ERROR_SUCCESS) {
    *key->Receiver() = nullptr;
    return nullptr;
  }
  return key;
}

}  // namespace platform

#pragma once
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

// One key of the current user's settings (HKEY_CURRENT_USER on Windows, the per-user
// settings file on Linux), open for the duration of one call and closed by its destructor.
// Key paths use backslashes between key names; names of keys and values compare without
// regard to the case of ASCII letters, as in the Windows registry.
// The longest value name the registry holds, in characters. The settings file keeps the
// same bound, so that a name past it (the remind date of a product with a very long name)
// is neither stored nor read on either platform.
constexpr std::size_t kMaxValueNameLength = 16383;

class RegistryKey {
public:
  // Opens an existing key for reading values. Never creates anything.
  static std::unique_ptr<RegistryKey> OpenForQuery(const std::string& path);
  // Opens the key for writing, creating it and any missing parents.
  static std::unique_ptr<RegistryKey> CreateForWrite(const std::string& path);

  virtual ~RegistryKey() = default;

  // Copies the value's data into buffer; false when the value is absent or its data does
  // not fit into capacity bytes. The value's type is not examined.
  virtual bool QueryValue(const std::string& name, char* buffer, std::size_t capacity,
                          std::size_t& copied) const = 0;
  // Creates or replaces a string value: the bytes of data followed by one zero byte.
  virtual bool SetStringValue(const std::string& name, const std::string& data) = 0;
};

}  // namespace platform

#include "settings/registry_settings.h"

#include <cstring>

#include "platform/registry.h"
#include "platform/url.h"

const char kSettingsKey[] = "Software\\Kavex\\WebUpdates";
const char kUrlValue[] = "URL";
const char kLogFileValue[] = "LogFile";
const char kRemindDatesKey[] = "Software\\Kavex\\WebUpdates\\RemindDates";

std::string DefaultManifestAddress() {
  return std::string(platform::PreferredScheme(platform::AcceptedSchemes())) + "://" KWU_UPDATE_HOST
                                                                               "/misc/update.ini";
}

bool ReadRegString(const std::string& keyPath, const std::string& valueName, std::string& value) {
  value.clear();
  try {
    const auto key = platform::RegistryKey::OpenForQuery(keyPath);
    if (!key)
      return false;
    char buffer[kRegistryReadBufferSize];
    std::size_t copied = 0;
    if (!key->QueryValue(valueName, buffer, sizeof buffer, copied))
      return false;
    // The text ends at the first zero byte, and never beyond the bytes read.
    const void* zero = std::memchr(buffer, '\0', copied);
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - buffer) : copied;
    value.assign(buffer, length);
    return true;
  } catch (...) {
    value.clear();
    return false;
  }
}

bool WriteRegString(const std::string& keyPath, const std::string& valueName,
                    const std::string& value) {
  try {
    const auto key = platform::RegistryKey::CreateForWrite(keyPath);
    return key && key->SetStringValue(valueName, value);
  } catch (...) {
    return false;
  }
}

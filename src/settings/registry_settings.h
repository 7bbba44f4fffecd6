#pragma once
#include <cstddef>
#include <string>

// The settings key of the current user and the values the program reads from it.
extern const char kSettingsKey[];     // "Software\Kavex\WebUpdates"
extern const char kUrlValue[];        // "URL": manifest address overriding the default
extern const char kLogFileValue[];    // "LogFile": path of the run log file
extern const char kRemindDatesKey[];  // "Software\Kavex\WebUpdates\RemindDates"

// The manifest address used when "URL" is absent or not an address the program accepts:
// http://<the maker's host, set at build time>/misc/update.ini, https:// when the build
// accepts https.
std::string DefaultManifestAddress();

// The longest value that can be read is 511 characters and its terminating zero.
constexpr std::size_t kRegistryReadBufferSize = 512;

// Reads a text value of a key under the current user's root. False, with value empty,
// when the key or value is absent or the value does not fit the read buffer.
bool ReadRegString(const std::string& keyPath, const std::string& valueName, std::string& value);

// Stores a text value, creating the key and its missing parents. False when it failed.
bool WriteRegString(const std::string& keyPath, const std::string& valueName,
                    const std::string& value);

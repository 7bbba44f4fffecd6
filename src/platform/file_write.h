#pragma once
// Files the makers' tool writes: keys and signed manifests.
#include <string>

namespace platform {

// Writes content to a new file at path. False, leaving no file, when path exists already or
// the file cannot be written whole. ownerOnly: on Linux, readable and writable by its owner
// alone (a private key): mode 0600 on Linux, an access list of the user alone on Windows;
// otherwise the file takes the usual permissions.
bool WriteNewFile(const std::string& path, const std::string& content, bool ownerOnly);

// Replaces the file at path with content, or makes it when there is none: written beside it
// first and then put in its place, so that a failure leaves the old file as it was. On
// Linux a replaced file keeps its owner and permissions. False when it failed.
bool ReplaceFileContent(const std::string& path, const std::string& content);

// Whether the two paths name one existing file (the same path, another path to it, or a
// hard link).
bool IsSameFile(const std::string& first, const std::string& second);

// Whether users other than the file's owner may read it: its group or others on Linux; false
// on Windows, whose access lists the tool does not judge.
bool ReadableByOthers(const std::string& path);

}  // namespace platform

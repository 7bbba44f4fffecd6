#pragma once
// Files the makers' tool writes: keys and signed manifests.
#include <string>

namespace platform {

// Writes content to a new file at path. False, leaving no file, when path exists already or
// the file cannot be written whole. ownerOnly: on Linux, readable and writable by its owner
// alone (a private key); on Windows the file takes its folder's permissions either way.
bool WriteNewFile(const std::string& path, const std::string& content, bool ownerOnly);

// Replaces the file at path with content, or makes it when there is none: written beside it
// first and then put in its place, so that a failure leaves the old file as it was. On
// Linux a replaced file keeps its owner and permissions. False when it failed.
bool ReplaceFileContent(const std::string& path, const std::string& content);

}  // namespace platform

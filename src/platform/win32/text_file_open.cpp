#include "platform/text_file.h"

namespace platform {

std::FILE* OpenFileForReading(const std::string& path) {
  return std::fopen(path.c_str(), "rb");
}

std::FILE* OpenTextFileForReading(const std::string& path) {
  // The runtime's text mode: CR LF becomes LF, and Ctrl-Z ends the file.
  return std::fopen(path.c_str(), "rt");
}

}  // namespace platform

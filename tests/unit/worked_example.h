#pragma once
// The worked example of the manifest lookup, one file shared by the lookup's tests, the
// manifest tool's tests and the tool's end-to-end suites.
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

inline std::string Join(const std::vector<std::string>& lines, const std::string& lineEnd = "\n") {
  std::string text;
  for (const auto& line : lines)
    text += line + lineEnd;
  return text;
}

// Its lines, without their line ends.
inline const std::vector<std::string>& WorkedExampleLines() {
  static const std::vector<std::string> lines = [] {
    const char path[] = KWU_TEST_FIXTURES_DIR "/manifests/worked-example.ini";
    std::ifstream file(path);
    if (!file)
      throw std::runtime_error(std::string("cannot read ") + path);
    std::vector<std::string> read;
    for (std::string line; std::getline(file, line);)
      read.push_back(line);
    return read;
  }();
  return lines;
}

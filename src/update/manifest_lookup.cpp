#include "update/manifest_lookup.h"

#include "platform/text.h"

namespace {

const char kLineBreaks[] = "\r\n";
const char kBlanks[] = " \t\v\f";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The text after the line's first "=", or the whole line when it has none; trimmed.
std::string ValueOf(const std::string& line) {
  const auto equals = line.find('=');
  return Trim(equals == std::string::npos ? line : line.substr(equals + 1));
}

}  // namespace

std::string FindFileArgs(const std::string& productName, const std::string& versionKey,
                         const std::string& manifest) {
  std::string wantedHeader = "[" + productName + " " + versionKey + "]";
  bool sectionOpen = false;
  bool firstLine = true;
  std::string line;

  // One pass over the text, top to bottom. Every run of line breaks ends one line, so
  // empty lines do not exist; the first line is never examined.
  std::size_t start = manifest.find_first_not_of(kLineBreaks);
  while (start != std::string::npos) {
    std::size_t end = manifest.find_first_of(kLineBreaks, start);
    if (end == std::string::npos)
      end = manifest.size();
    const std::size_t lineStart = start;
    start = manifest.find_first_not_of(kLineBreaks, end);
    if (firstLine) {
      firstLine = false;
      continue;
    }

    // The line without the blanks at either end, cut out of the text without a copy of
    // the untrimmed line.
    const std::size_t first = manifest.find_first_not_of(kBlanks, lineStart);
    if (first >= end)
      continue;  // only blanks: means nothing
    std::size_t last = end;
    while (last > first && IsBlank(manifest[last - 1]))
      --last;
    line.assign(manifest, first, last - first);

    if (line[0] == ';')
      continue;
    if (EqualsNoCase(line, wantedHeader)) {
      sectionOpen = true;
      continue;
    }
    if (line[0] == '[') {
      sectionOpen = false;
      continue;
    }
    if (!sectionOpen)
      continue;
    if (StartsWith(line, "FileArgs"))
      return ValueOf(line);
    if (StartsWith(line, "Sections")) {
      wantedHeader = "[" + ValueOf(line) + "]";
      sectionOpen = false;
    }
  }
  return std::string();
}

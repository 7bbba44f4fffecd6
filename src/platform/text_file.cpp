#include "platform/text_file.h"

namespace platform {

StdioFile::StdioFile(const std::string& path, std::size_t maxBytes)
    : m_file(OpenTextFileForReading(path)), m_left(maxBytes) {
  if (!m_file)
    throw FileException("cannot open " + path);
}

StdioFile::~StdioFile() {
  std::fclose(m_file);
}

bool StdioFile::ReadString(std::string& line) {
  line.clear();
  bool readAny = false;
  int c;
  while ((c = std::fgetc(m_file)) != EOF) {
    if (m_left == 0)
      throw FileTooLarge("more than its reader takes");
    --m_left;
    readAny = true;
    if (c == '\n')
      break;
    line += static_cast<char>(c);
  }
  if (std::ferror(m_file))
    throw FileException("read error");
  // A line ended by CR LF is read as in the Windows runtime's text mode.
  if (!line.empty() && line.back() == '\r' && c == '\n')
    line.pop_back();
  return readAny;
}

}  // namespace platform

#include "platform/posix/settings_file.h"

#include <cstddef>
#include <string_view>

#include "platform/text.h"

namespace platform {
namespace posix {

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

// The escapes that stand for one character each: pairs of the character and the letter
// after the backslash. Every other byte may be written as \xHH.
constexpr std::string_view kNamedEscapes = "\\\\\"\"\nn\rr\tt";

// How names and values are written between quotes: bytes above 127 as they are.
const TextEscapes kQuotedEscapes{kNamedEscapes, "", false, TextEscapes::High::kKept, false};

// How a text from the file is shown in a message: printable ASCII alone as it is.
const TextEscapes kShownEscapes{"\\\\\"\"", "", false, TextEscapes::High::kEscaped, false};

// The character the escape letter stands for, or 0 when it is no such letter.
char EscapedCharacter(char letter) {
  for (std::size_t i = 0; i + 1 < kNamedEscapes.size(); i += 2) {
    if (kNamedEscapes[i + 1] == letter)
      return kNamedEscapes[i];
  }
  return 0;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(const std::string& text, std::size_t position) {
  while (position < text.size() && IsBlank(text[position]))
    ++position;
  return position;
}

// Reads a quoted text starting at position (on its opening quote) and moves position past
// the closing quote. False for a text without its closing quote or with an unknown escape.
bool ParseQuoted(const std::string& line, std::size_t& position, std::string& text) {
  if (position >= line.size() || line[position] != '"')
    return false;
  ++position;
  text.clear();
  while (position < line.size()) {
    const char c = line[position++];
    if (c == '"')
      return true;
    if (c != '\\') {
      text += c;
      continue;
    }
    if (position >= line.size())
      return false;
    const char letter = line[position++];
    if (const char character = EscapedCharacter(letter)) {
      text += character;
      continue;
    }
    if (letter != 'x' || position + 2 > line.size())
      return false;
    const int high = HexDigitValue(line[position]);
    const int low = HexDigitValue(line[position + 1]);
    if (high < 0 || low < 0)
      return false;
    text += static_cast<char>(high * 16 + low);
    position += 2;
  }
  return false;
}

// A value line: "name"="data" or @="data", blanks allowed around the equals sign.
bool ParseValue(const std::string& line, std::size_t position, std::string& name,
                std::string& data) {
  if (line[position] == '@') {
    name.clear();
    ++position;
  } else if (!ParseQuoted(line, position, name)) {
    return false;
  }
  position = SkipBlanks(line, position);
  if (position >= line.size() || line[position] != '=')
    return false;
  position = SkipBlanks(line, position + 1);
  if (!ParseQuoted(line, position, data))
    return false;
  return SkipBlanks(line, position) == line.size();
}

// True when key is a subkey, at any depth, of parent.
bool IsSubkeyOf(const std::string& key, const std::string& parent) {
  return key.size() > parent.size() && key[parent.size()] == '\\' &&
         EqualsNoCase(key.substr(0, parent.size()), parent);
}

}  // namespace

bool IsValidKeyPath(const std::string& keyPath) {
  if (keyPath.empty())
    return true;
  char previous = '\\';  // so that a leading backslash counts as an empty key name
  for (const char c : keyPath) {
    if (IsAsciiControl(static_cast<unsigned char>(c)))
      return false;
    if (c == '\\' && previous == '\\')
      return false;
    previous = c;
  }
  return previous != '\\';
}

std::string QuoteSettingsText(const std::string& text) {
  return "\"" + EscapeText(text, kQuotedEscapes) + "\"";
}

bool SettingsDocument::Parse(const std::string& content, ParseError* error) {
  m_lines.clear();
  std::vector<Line> lines;
  bool inSection = false;
  std::string sectionKey;

  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    Line line;
    if (end == std::string::npos) {
      end = content.size();
      line.end.clear();  // the last line, without a line end
    }
    line.text = content.substr(start, end - start);
    start = end + 1;
    if (!line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();  // a file saved with Windows line ends
      line.end.insert(0, 1, '\r');
    }
    if (!ParseLine(line, lines.empty(), inSection, sectionKey)) {
      if (error) {
        error->lineNumber = lines.size() + 1;
        error->lineText = line.text;
      }
      return false;
    }
    lines.push_back(std::move(line));
  }
  m_lines = std::move(lines);
  return true;
}

bool SettingsDocument::ParseLine(Line& line, bool first, bool& inSection, std::string& sectionKey) {
  std::size_t position = 0;
  if (first && line.text.compare(0, 3, kByteOrderMark) == 0)
    position = 3;
  position = SkipBlanks(line.text, position);

  if (position == line.text.size() || line.text[position] == '#' || line.text[position] == ';') {
    line.kind = LineKind::kOther;
    return true;
  }
  if (line.text[position] == '[') {
    std::size_t last = line.text.size();
    while (last > position && IsBlank(line.text[last - 1]))
      --last;
    if (last - position < 2 || line.text[last - 1] != ']')
      return false;
    line.kind = LineKind::kHeader;
    line.key = line.text.substr(position + 1, last - position - 2);
    if (!IsValidKeyPath(line.key))
      return false;
    inSection = true;
    sectionKey = line.key;
    return true;
  }
  if (!inSection)
    return false;  // a value belongs to a key
  line.kind = LineKind::kValue;
  line.key = sectionKey;
  return ParseValue(line.text, position, line.name, line.data);
}

std::string SettingsDocument::Serialize() const {
  std::string content;
  for (const Line& line : m_lines) {
    content += line.text;
    content += line.end;
  }
  return content;
}

bool SettingsDocument::HasKey(const std::string& keyPath) const {
  if (keyPath.empty())
    return true;
  for (const Line& line : m_lines) {
    if (line.kind == LineKind::kHeader &&
        (EqualsNoCase(line.key, keyPath) || IsSubkeyOf(line.key, keyPath)))
      return true;
  }
  return false;
}

std::size_t SettingsDocument::FindValueLine(const std::string& keyPath,
                                            const std::string& name) const {
  for (std::size_t index = m_lines.size(); index-- > 0;) {
    const Line& line = m_lines[index];
    if (line.kind == LineKind::kValue && EqualsNoCase(line.key, keyPath) &&
        EqualsNoCase(line.name, name))
      return index;
  }
  return m_lines.size();
}

bool SettingsDocument::FindValue(const std::string& keyPath, const std::string& name,
                                 std::string& data) const {
  const std::size_t index = FindValueLine(keyPath, name);
  if (index == m_lines.size())
    return false;
  data = m_lines[index].data;
  return true;
}

bool SettingsDocument::AddKey(const std::string& keyPath) {
  if (HasKey(keyPath))
    return false;
  if (!m_lines.empty() && !Trim(m_lines.back().text).empty())
    InsertLine(m_lines.size(), Line());  // a blank line between sections, for the reader
  InsertLine(m_lines.size(), HeaderLine(keyPath));
  return true;
}

void SettingsDocument::SetValue(const std::string& keyPath, const std::string& name,
                                const std::string& data) {
  const std::size_t existing = FindValueLine(keyPath, name);
  if (existing < m_lines.size()) {
    // The name keeps the spelling it was first stored with, as in the registry, and the
    // line its line end.
    Line& line = m_lines[existing];
    Line replacement = ValueLine(line.key, line.name, data);
    replacement.end = line.end;
    line = std::move(replacement);
    return;
  }

  // A new value goes after the last header or value line of the key's last section, so
  // that comments introducing the next section stay with it.
  std::size_t insertAfter = m_lines.size();
  bool inKey = false;
  for (std::size_t index = 0; index < m_lines.size(); ++index) {
    const Line& line = m_lines[index];
    if (line.kind == LineKind::kHeader)
      inKey = EqualsNoCase(line.key, keyPath);
    if (inKey && line.kind != LineKind::kOther)
      insertAfter = index;
  }
  if (insertAfter < m_lines.size()) {
    const std::string sectionKey = m_lines[insertAfter].key;
    InsertLine(insertAfter + 1, ValueLine(sectionKey, name, data));
    return;
  }

  // The key exists only as the parent of other keys, or not at all: give it a section.
  if (!m_lines.empty() && !Trim(m_lines.back().text).empty())
    InsertLine(m_lines.size(), Line());
  InsertLine(m_lines.size(), HeaderLine(keyPath));
  InsertLine(m_lines.size(), ValueLine(keyPath, name, data));
}

SettingsDocument::Line SettingsDocument::HeaderLine(const std::string& keyPath) {
  Line line;
  line.kind = LineKind::kHeader;
  line.key = keyPath;
  line.text = "[" + keyPath + "]";
  return line;
}

SettingsDocument::Line SettingsDocument::ValueLine(const std::string& keyPath,
                                                   const std::string& name,
                                                   const std::string& data) {
  Line line;
  line.kind = LineKind::kValue;
  line.key = keyPath;
  line.name = name;
  line.data = data;
  line.text =
      (name.empty() ? std::string("@") : QuoteSettingsText(name)) + "=" + QuoteSettingsText(data);
  return line;
}

void SettingsDocument::InsertLine(std::size_t index, Line line) {
  // A last line without a line feed (none, or a carriage return alone) would otherwise
  // run into the new one.
  if (index > 0) {
    std::string& end = m_lines[index - 1].end;
    if (end.empty() || end.back() != '\n')
      end += '\n';
  }
  m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

std::string EscapeSettingsText(const std::string& text, std::size_t limit) {
  if (text.size() <= limit)
    return EscapeText(text, kShownEscapes);
  return EscapeText(std::string_view(text).substr(0, limit), kShownEscapes) + "...";
}

}  // namespace posix
}  // namespace platform

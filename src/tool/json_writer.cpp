#include "tool/json_writer.h"

#include <cstdio>

namespace {

// The length of the UTF-8 sequence that starts at text[i], or 0 when none does.
std::size_t Utf8Length(const std::string& text, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (length == 0 || c > 0xF4 || i + length > text.size())
    return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
      return 0;
  }
  return length;
}

}  // namespace

void JsonWriter::BeforeValue() {
  if (m_needComma && !m_afterKey)
    m_text += ',';
  m_afterKey = false;
  m_needComma = true;
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  m_text += bracket;
  m_needComma = false;
}

void JsonWriter::Close(char bracket) {
  m_text += bracket;
  m_needComma = true;
}

JsonWriter& JsonWriter::Key(const std::string& name) {
  BeforeValue();
  Quote(name);
  m_text += ':';
  m_afterKey = true;
  return *this;
}

void JsonWriter::String(const std::string& text) {
  BeforeValue();
  Quote(text);
}

void JsonWriter::Number(std::uint64_t value) {
  BeforeValue();
  m_text += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  m_text += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  m_text += "null";
}

void JsonWriter::NumberOrNull(std::size_t value) {
  if (value != 0)
    Number(value);
  else
    Null();
}

void JsonWriter::StringOrNull(bool present, const std::string& text) {
  if (present)
    String(text);
  else
    Null();
}

void JsonWriter::Quote(const std::string& text) {
  m_text += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    char escape[8];
    if (c == '"' || c == '\\') {
      m_text += '\\';
      m_text += static_cast<char>(c);
    } else if (c == '\n') {
      m_text += "\\n";
    } else if (c == '\r') {
      m_text += "\\r";
    } else if (c == '\t') {
      m_text += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      m_text += escape;
    } else if (c < 0x80) {
      m_text += static_cast<char>(c);
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80) {
      // A C1 control, escaped like the others so that the report acts on no terminal.
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(text[++i]));
      m_text += escape;
    } else if (const std::size_t length = Utf8Length(text, i)) {
      m_text.append(text, i, length);
      i += length - 1;
    } else {
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      m_text += escape;
    }
  }
  m_text += '"';
}

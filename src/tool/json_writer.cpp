#include "tool/json_writer.h"

#include "platform/text.h"

namespace {

// JSON's own escapes; every other control character, the C1 controls and every byte that is
// not well-formed UTF-8 as \u00XX, so that the report acts on no terminal and any reader
// takes it.
const TextEscapes kJsonEscapes{"\"\"\\\\\nn\rr\tt", "", true, TextEscapes::High::kUtf8, true};

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
  m_text += EscapeText(text, kJsonEscapes);
  m_text += '"';
}

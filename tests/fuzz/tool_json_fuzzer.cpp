// The tool's JSON is JSON whatever it reports: any text through JsonWriter, and the whole
// document of check and explain over any manifest, parse as RFC 8259 JSON whose strings are
// well-formed UTF-8. A text that is well-formed UTF-8 reads back as itself, and the
// terminal escape leaves the document as it is (the tool writes it through that escape).
// Beside it, DecodeUtf8 agrees with the table of well-formed sequences at every byte.
//
// Input: a mode byte (a text, a manifest for check, or a manifest for explain with a
// length byte and name, a length byte and version, a length byte and locale), then the
// rest.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "platform/text.h"
#include "tool/json_writer.h"
#include "tool/tool_commands.h"
#include "tool/tool_output.h"

namespace {

// The length of the well-formed UTF-8 sequence at text[at] as the Unicode standard's table
// of them gives it (Table 3-7), or 0 when none starts there.
std::size_t WellFormedLength(const std::string& text, std::size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80)
    return 1;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : low;
    high = lead == 0xED ? 0x9F : high;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : low;
    high = lead == 0xF4 ? 0x8F : high;
  } else {
    return 0;
  }
  if (at + length > text.size())
    return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[at + i]);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
      return 0;
  }
  return length;
}

bool IsWellFormed(const std::string& text) {
  for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
    length = WellFormedLength(text, at);
    if (length == 0)
      return false;
  }
  return true;
}

void AppendUtf8(std::string& text, unsigned code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | code >> 6);
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | code >> 12);
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A reader of RFC 8259 JSON that only says whether the text is one, and what a string in it
// holds.
class JsonReader {
public:
  explicit JsonReader(const std::string& text) : m_text(text) {}

  // One value with nothing but white space around it.
  bool Document() {
    Blank();
    if (!Value(0))
      return false;
    Blank();
    return m_at == m_text.size();
  }

  // One string, the whole text; its decoded bytes in `decoded`.
  bool OneString(std::string& decoded) { return String(decoded) && m_at == m_text.size(); }

private:
  char Peek() const { return m_at < m_text.size() ? m_text[m_at] : '\0'; }
  bool Take(char c) {
    if (Peek() != c || m_at >= m_text.size())
      return false;
    ++m_at;
    return true;
  }
  void Blank() {
    while (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')
      ++m_at;
  }
  bool Word(const char* word) {
    for (; *word; ++word) {
      if (!Take(*word))
        return false;
    }
    return true;
  }
  bool Digits() {
    const std::size_t start = m_at;
    while (Peek() >= '0' && Peek() <= '9')
      ++m_at;
    return m_at > start;
  }
  bool Number() {
    Take('-');
    if (!Take('0') && !Digits())
      return false;
    if (Take('.') && !Digits())
      return false;
    if (Take('e') || Take('E')) {
      if (!Take('+'))
        Take('-');
      return Digits();
    }
    return true;
  }
  bool String(std::string& decoded) {
    if (!Take('"'))
      return false;
    while (m_at < m_text.size()) {
      const unsigned char c = static_cast<unsigned char>(m_text[m_at]);
      if (c == '"') {
        ++m_at;
        return true;
      }
      if (c < 0x20)
        return false;
      if (c == '\\') {
        if (++m_at >= m_text.size())
          return false;
        const char letter = m_text[m_at++];
        static const std::string kLetters = "\"\\/bfnrt";
        static const std::string kMeanings = "\"\\/\b\f\n\r\t";
        if (const std::size_t at = kLetters.find(letter); at != std::string::npos) {
          decoded += kMeanings[at];
          continue;
        }
        if (letter != 'u' || m_at + 4 > m_text.size())
          return false;
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
          const int digit = HexDigitValue(m_text[m_at++]);
          if (digit < 0)
            return false;
          code = code * 16 + static_cast<unsigned>(digit);
        }
        if (code >= 0xD800 && code <= 0xDFFF)
          return false;  // the writer needs no surrogate pairs: it escapes no character above
                         // U+00FF
        AppendUtf8(decoded, code);
        continue;
      }
      const std::size_t length = WellFormedLength(m_text, m_at);
      if (length == 0)
        return false;
      decoded.append(m_text, m_at, length);
      m_at += length;
    }
    return false;
  }
  bool Value(int depth) {
    if (depth > 100)
      return false;
    std::string ignored;
    switch (Peek()) {
      case '{':
        ++m_at;
        Blank();
        if (Take('}'))
          return true;
        do {
          Blank();
          if (!String(ignored))
            return false;
          Blank();
          if (!Take(':'))
            return false;
          Blank();
          if (!Value(depth + 1))
            return false;
          Blank();
        } while (Take(','));
        return Take('}');
      case '[':
        ++m_at;
        Blank();
        if (Take(']'))
          return true;
        do {
          Blank();
          if (!Value(depth + 1))
            return false;
          Blank();
        } while (Take(','));
        return Take(']');
      case '"': return String(ignored);
      case 't': return Word("true");
      case 'f': return Word("false");
      case 'n': return Word("null");
      default: return Number();
    }
  }

  const std::string& m_text;
  std::size_t m_at = 0;
};

void CheckDocument(const std::string& document) {
  KWU_FUZZ_CHECK(!document.empty() && document.back() == '\n');
  KWU_FUZZ_CHECK(JsonReader(document).Document());
  KWU_FUZZ_CHECK(ForTerminal(document) == document);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ScratchFile::Make("kwu_tool_json_fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputCutter input(data, size);
  const unsigned mode = input.Byte() % 3;
  if (mode == 0) {
    const std::string text = input.Rest();
    for (std::size_t at = 0; at < text.size(); ++at) {
      std::size_t length = 0;
      const char32_t c = DecodeUtf8(text, at, length);
      const std::size_t wellFormed = WellFormedLength(text, at);
      KWU_FUZZ_CHECK(wellFormed ? length == wellFormed : (c == kNotUtf8 && length == 1));
    }
    JsonWriter json;
    json.String(text);
    std::string decoded;
    KWU_FUZZ_CHECK(JsonReader(json.Text()).OneString(decoded));
    KWU_FUZZ_CHECK(IsWellFormed(decoded));
    if (IsWellFormed(text))
      KWU_FUZZ_CHECK(decoded == text);
    return 0;
  }
  if (mode == 1) {
    const std::string manifest = input.Rest();
    fuzz::ScratchFile::Write(manifest.data(), manifest.size());
    CheckDocument(ResultJson(Check(fuzz::ScratchFile::Path(), std::nullopt)));
    return 0;
  }
  const std::string name = input.ShortText(32);
  const std::string version = input.ShortText(32);
  const std::string locale = input.ShortText(16);
  const std::string manifest = input.Rest();
  fuzz::ScratchFile::Write(manifest.data(), manifest.size());
  CheckDocument(ResultJson(Explain(fuzz::ScratchFile::Path(), std::nullopt, name, version, locale)));
  return 0;
}

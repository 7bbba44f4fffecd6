// The one reading of UTF-8 and the one escaping of control characters, as each place a
// text goes uses them: a terminal, the tool's JSON, the settings file and its messages.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/settings_file.h"
#include "platform/text.h"
#include "tool/json_writer.h"

namespace {

using namespace std::string_literals;

TEST(DecodeUtf8, WellFormedSequencesOnlyElseOneByteAlone) {
  struct Case {
    std::string bytes;
    char32_t character;
    std::size_t length;
  };
  const Case cases[] = {{"A", U'A', 1},
                        {"\0"s, 0, 1},
                        {"\xC2\x80", 0x80, 2},
                        {"\xC3\xA9", 0xE9, 2},
                        {"\xE6\x97\xA5", 0x65E5, 3},
                        {"\xED\x9F\xBF", 0xD7FF, 3},
                        {"\xEF\xBF\xBD", 0xFFFD, 3},
                        {"\xF0\x9F\x98\x80", 0x1F600, 4},
                        {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
                        // Overlong forms, surrogates, beyond U+10FFFF, stray, cut short or broken.
                        {"\xC0\x80", kNotUtf8, 1},
                        {"\xC1\xBF", kNotUtf8, 1},
                        {"\xE0\x9F\xBF", kNotUtf8, 1},
                        {"\xF0\x8F\xBF\xBF", kNotUtf8, 1},
                        {"\xED\xA0\x80", kNotUtf8, 1},
                        {"\xED\xBF\xBF", kNotUtf8, 1},
                        {"\xF4\x90\x80\x80", kNotUtf8, 1},
                        {"\xF5\x80\x80\x80", kNotUtf8, 1},
                        {"\xF8\x88\x80\x80\x80", kNotUtf8, 1},
                        {"\xFF", kNotUtf8, 1},
                        {"\x80", kNotUtf8, 1},
                        {"\xE6\x97", kNotUtf8, 1},
                        {"\xE6\x41\xA5", kNotUtf8, 1}};
  for (const Case& c : cases) {
    std::size_t length = 0;
    EXPECT_EQ(DecodeUtf8(c.bytes, 0, length), c.character) << c.bytes;
    EXPECT_EQ(length, c.length) << c.bytes;
  }
}

enum class Place { kTerminal, kJson, kSettingsFile, kSettingsMessage };

std::string Escaped(Place place, const std::string& text) {
  switch (place) {
    case Place::kTerminal: return ForTerminal(text);
    case Place::kJson: {
      JsonWriter json;
      json.String(text);
      return json.Text().substr(1, json.Text().size() - 2);
    }
    case Place::kSettingsFile: {
      const std::string quoted = platform::posix::QuoteSettingsText(text);
      return quoted.substr(1, quoted.size() - 2);
    }
    case Place::kSettingsMessage:
      return platform::posix::EscapeSettingsText(text, std::string::npos);
  }
  return std::string();
}

TEST(EscapeText, EachPlaceEscapesControlsItsWay) {
  struct Case {
    Place place;
    std::string text;
    std::string escaped;
  };
  const Case cases[] = {
      // A terminal: controls but line feed and tab as \xHH, UTF-8's C1 controls too; a lone
      // lead byte is no control.
      {Place::kTerminal, "plain \"text\" \\ 100%\n\tnext", "plain \"text\" \\ 100%\n\tnext"},
      {Place::kTerminal, "a\x1b[2Jb\x07\r\x7f\0z"s, "a\\x1B[2Jb\\x07\\x0D\\x7F\\x00z"},
      {Place::kTerminal, "Caf\xc3\xa9 \xc2\x85 \xc2\xa0 \xc2",
       "Caf\xc3\xa9 \\xC2\\x85 \xc2\xa0 \xc2"},
      // JSON: its own escapes, \u00XX for other controls and for every byte that is not
      // well-formed UTF-8, so that any reader takes it.
      {Place::kJson, "q\"b\\\n\x01\xC3\xA4\xE4", "q\\\"b\\\\\\n\\u0001\xC3\xA4\\u00e4"},
      {Place::kJson, "\r\t\x7f\xc2\x85/", "\\r\\t\\u007f\\u0085/"},
      {Place::kJson, "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
      {Place::kJson, "\xC0\xAF|\xE0\x80\xAF", "\\u00c0\\u00af|\\u00e0\\u0080\\u00af"},
      {Place::kJson, "\xED\xA0\x80", "\\u00ed\\u00a0\\u0080"},
      {Place::kJson, "\xF4\x90\x80\x80", "\\u00f4\\u0090\\u0080\\u0080"},
      {Place::kJson, "\xE6\x97", "\\u00e6\\u0097"},
      // The settings file: named escapes, \xHH for C0 and DEL, every byte above 127 raw,
      // as files already written have them.
      {Place::kSettingsFile, "C:\\a \"b\"", "C:\\\\a \\\"b\\\""},
      {Place::kSettingsFile, "1\n2\r3\t4", "1\\n2\\r3\\t4"},
      {Place::kSettingsFile, "a\0b\x01\x1f\x7f"s, "a\\x00b\\x01\\x1F\\x7F"},
      {Place::kSettingsFile, "caf\xC3\xA9 \xFF \xC2\x85", "caf\xC3\xA9 \xFF \xC2\x85"},
      // A message about the settings file: printable ASCII alone as it is.
      {Place::kSettingsMessage, "\"URL\"=\"a\\b\"", "\\\"URL\\\"=\\\"a\\\\b\\\""},
      {Place::kSettingsMessage, "\x1b[31mred\r\n\t\x7f", "\\x1B[31mred\\x0D\\x0A\\x09\\x7F"},
      {Place::kSettingsMessage, "caf\xC3\xA9\x9B", "caf\\xC3\\xA9\\x9B"}};
  for (const Case& c : cases)
    EXPECT_EQ(Escaped(c.place, c.text), c.escaped) << static_cast<int>(c.place) << " " << c.text;
}

}  // namespace

#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Operations on the program's 8-bit text that the standard string lacks, for owned texts
// and for views into a larger one alike. Letter case is that of ASCII: other bytes are
// left as they are, on every platform alike.

std::string ToLower(std::string_view text);

// Removes blanks, tabs, line breaks, vertical tabs and form feeds at both ends.
std::string Trim(const std::string& text);
std::string TrimRight(const std::string& text);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);

// Reads a decimal integer at text[at] as the C runtime's "%d" and atoi read one: white
// space skipped, an optional sign, then the digits up to the first other character, and
// moves `at` past it. A value beyond the range of an int is held to the nearest end of
// that range, where the runtime's own result would be undefined. False, with `at` and
// `value` unchanged, when no digit follows.
bool ReadDecimalInt(const std::string& text, std::size_t& at, int& value);

// Reads text that is nothing but 1 to maxDigits decimal digits (at most 19) as a number;
// false, with value unchanged, for anything else.
bool ParseDigits(std::string_view text, std::size_t maxDigits, std::uint64_t& value);

// Appends byte as \xHH (upper-case digits), the one escape that stands for any byte.
void AppendHexEscape(std::string& text, unsigned char byte);

// ASCII's control characters: C0 and DEL.
bool IsAsciiControl(unsigned char byte);

// What DecodeUtf8 gives for a byte that begins no well-formed UTF-8 sequence.
constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// The character of the UTF-8 text at text[at], and in `length` the bytes it takes. A byte
// that begins no well-formed sequence (one cut short, an overlong form, a surrogate, a code
// point beyond U+10FFFF, a stray continuation byte) is kNotUtf8, one byte long.
char32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t& length);

// How EscapeText writes control characters and bytes above 127, for each place a text goes.
struct TextEscapes {
  // Pairs of a character and the letter that stands for it after a backslash ("\nn" writes
  // a line feed as \n). Where the text is quoted, the quote and the backslash are among them.
  std::string_view named;
  // Control characters written as they are.
  std::string_view kept;
  // Whether the C1 controls, written in UTF-8, are controls too (C0 and DEL always are).
  bool c1Controls;
  // Bytes above 127: written as they are, written where they are well-formed UTF-8 and
  // escaped elsewhere, or all escaped.
  enum class High { kKept, kUtf8, kEscaped } high;
  // Escapes as \u00XX, one per character (JSON), rather than \xHH, one per byte.
  bool unicode;
};

// text with every control character that is neither named nor kept escaped, and the
// bytes above 127 as `escapes` says.
std::string EscapeText(std::string_view text, const TextEscapes& escapes);

// text as a terminal is to show it: every control character but the line feed and the
// tab (C0, DEL, and the C1 controls written in UTF-8) as \xHH, so that a name from a
// product file or a manifest cannot move the cursor, ring the bell or change the
// terminal's state. Everything else, UTF-8 included, as it is. Files the program writes
// keep their bytes.
std::string ForTerminal(std::string_view text);

// The length of the line end at text[at], as a text editor counts line ends: 2 for CR LF,
// 1 for a LF or a CR that no LF follows, 0 when text[at] is no line end or at is past the
// end. The one rule by which the manifest's readers number lines and find where they end.
std::size_t LineEndLength(std::string_view text, std::size_t at);
// The number of the line that begins at offset (just after a line end, or 0), the first
// line being 1: the line ends of LineEndLength before it, plus one.
std::size_t LineNumberAt(std::string_view text, std::size_t offset);

// The value of a hexadecimal digit of either case, or -1 for any other character.
int HexDigitValue(char c);

#include "platform/text.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

const char kWhiteSpace[] = " \t\r\n\v\f";

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string ToLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    c = LowerAscii(c);
  return lower;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string::npos)
    return std::string();
  const auto last = text.find_last_not_of(kWhiteSpace);
  return text.substr(first, last - first + 1);
}

std::string TrimRight(const std::string& text) {
  const auto last = text.find_last_not_of(kWhiteSpace);
  return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i]))
      return false;
  }
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool ReadDecimalInt(const std::string& text, std::size_t& at, int& value) {
  std::size_t i = at;
  while (i < text.size() && std::strchr(kWhiteSpace, text[i]) && text[i] != '\0')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9')
    return false;
  // Counted as a negative number, whose range holds every int.
  long long magnitude = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude < limit)
      magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (magnitude > limit)
    magnitude = limit;
  value = static_cast<int>(negative ? -magnitude : magnitude);
  at = i;
  return true;
}

std::size_t LineEndLength(std::string_view text, std::size_t at) {
  if (at >= text.size())
    return 0;
  if (text[at] == '\n')
    return 1;
  if (text[at] != '\r')
    return 0;
  return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
}

std::size_t LineNumberAt(std::string_view text, std::size_t offset) {
  const auto end = text.begin() + static_cast<std::ptrdiff_t>(offset);
  std::size_t line = 1 + static_cast<std::size_t>(std::count(text.begin(), end, '\n'));
  for (auto cr = std::find(text.begin(), end, '\r'); cr != end; cr = std::find(cr + 1, end, '\r')) {
    if (LineEndLength(text, static_cast<std::size_t>(cr - text.begin())) == 1)
      ++line;  // a CR of its own; one before a LF is counted with the LF
  }
  return line;
}

bool ParseDigits(std::string_view text, std::size_t maxDigits, std::uint64_t& value) {
  if (text.empty() || text.size() > maxDigits || text.size() > 19)
    return false;
  std::uint64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  value = number;
  return true;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

void AppendHexEscape(std::string& text, unsigned char byte) {
  static const char kDigits[] = "0123456789ABCDEF";
  text += "\\x";
  text += kDigits[byte >> 4];
  text += kDigits[byte & 0x0F];
}

bool IsAsciiControl(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

char32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t& length) {
  // The least code point each length may write; anything less is an overlong form.
  static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  length = 1;
  if (lead < 0x80)
    return lead;
  const std::size_t size = lead >= 0xF8   ? 0
                           : lead >= 0xF0 ? 4
                           : lead >= 0xE0 ? 3
                           : lead >= 0xC0 ? 2
                                          : 0;
  if (size == 0 || at + size > text.size())
    return kNotUtf8;
  char32_t c = lead & (0x3F >> (size - 1));
  for (std::size_t i = 1; i < size; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80)
      return kNotUtf8;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < kLeast[size] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
    return kNotUtf8;
  length = size;
  return c;
}

namespace {

void AppendEscape(std::string& text, std::string_view character, char32_t c, bool unicode) {
  if (unicode) {
    static const char kDigits[] = "0123456789abcdef";
    text += "\\u00";
    text += kDigits[(c >> 4) & 0x0F];
    text += kDigits[c & 0x0F];
    return;
  }
  for (const char byte : character)
    AppendHexEscape(text, static_cast<unsigned char>(byte));
}

}  // namespace

std::string EscapeText(std::string_view text, const TextEscapes& escapes) {
  using High = TextEscapes::High;
  std::string escaped;
  escaped.reserve(text.size());
  for (std::size_t at = 0, length = 1; at < text.size(); at += length) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    length = 1;
    std::size_t named = 0;
    while (named + 1 < escapes.named.size() && escapes.named[named] != text[at])
      named += 2;
    if (named + 1 < escapes.named.size()) {
      escaped += '\\';
      escaped += escapes.named[named + 1];
    } else if (IsAsciiControl(byte)) {
      if (escapes.kept.find(text[at]) != std::string_view::npos)
        escaped += text[at];
      else
        AppendEscape(escaped, text.substr(at, 1), byte, escapes.unicode);
    } else if (byte < 0x80) {
      escaped += text[at];
    } else if (escapes.high == High::kEscaped) {
      AppendEscape(escaped, text.substr(at, 1), byte, escapes.unicode);
    } else {
      // A character that is not UTF-8 stands for its byte (its Latin-1 reading).
      const char32_t c = DecodeUtf8(text, at, length);
      const bool control = escapes.c1Controls && c >= 0x80 && c <= 0x9F;
      if (control || (c == kNotUtf8 && escapes.high == High::kUtf8))
        AppendEscape(escaped, text.substr(at, length), c == kNotUtf8 ? byte : c, escapes.unicode);
      else
        escaped.append(text, at, length);
    }
  }
  return escaped;
}

std::string ForTerminal(std::string_view text) {
  static const TextEscapes kTerminal{"", "\n\t", true, TextEscapes::High::kKept, false};
  return EscapeText(text, kTerminal);
}

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

std::string ForTerminal(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
      AppendHexEscape(shown, byte);
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      AppendHexEscape(shown, byte);
      AppendHexEscape(shown, next);
      ++i;
    } else {
      shown += static_cast<char>(byte);
    }
  }
  return shown;
}

#include "platform/text.h"

namespace {

const char kWhiteSpace[] = " \t\r\n\v\f";

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string ToLower(std::string text) {
  for (char& c : text)
    c = LowerAscii(c);
  return text;
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

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i]))
      return false;
  }
  return true;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
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

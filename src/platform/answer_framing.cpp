#include "platform/answer_framing.h"

#include <limits>

#include "platform/text.h"

namespace platform {

namespace {

const std::uint64_t kTooLarge = std::numeric_limits<std::uint64_t>::max();

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// Calls take(element) for each element of a comma-separated field value, blanks trimmed.
template <typename Take>
void ForEachElement(std::string_view value, Take take) {
  while (true) {
    const std::size_t comma = value.find(',');
    take(TrimBlanks(value.substr(0, comma)));
    if (comma == std::string_view::npos)
      return;
    value.remove_prefix(comma + 1);
  }
}

// A length of one or more digits, saturated at kTooLarge; false for anything else.
bool ParseLength(std::string_view text, std::uint64_t& length) {
  if (text.empty())
    return false;
  length = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    length = length > (kTooLarge - digit) / 10 ? kTooLarge : length * 10 + digit;
  }
  return true;
}

void ReadContentLength(std::string_view value, AnswerFraming& framing) {
  ForEachElement(value, [&framing](std::string_view element) {
    std::uint64_t length = 0;
    if (!ParseLength(element, length) ||
        (framing.hasContentLength && framing.contentLength != length)) {
      framing.fault = AnswerFraming::kContentLength;
      return;
    }
    framing.hasContentLength = true;
    framing.contentLength = length;
  });
}

void ReadContentEncoding(std::string_view value, AnswerFraming& framing) {
  ForEachElement(value, [&framing](std::string_view element) {
    if (!element.empty() && !EqualsNoCase(element, "identity"))
      framing.fault = AnswerFraming::kContentEncoding;
  });
}

}  // namespace

AnswerFraming ReadAnswerFraming(std::string_view headers) {
  AnswerFraming framing;
  while (!headers.empty() && framing.fault == AnswerFraming::kReadable) {
    const std::size_t end = headers.find('\n');
    const std::string_view line = headers.substr(0, end);
    headers.remove_prefix(end == std::string_view::npos ? headers.size() : end + 1);
    const std::size_t colon = line.find(':');
    // The status line and folded continuations name no field.
    if (colon == std::string_view::npos || line.empty() || line[0] == ' ' || line[0] == '\t')
      continue;
    const std::string_view name = TrimBlanks(line.substr(0, colon));
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (EqualsNoCase(name, "Content-Length"))
      ReadContentLength(value, framing);
    else if (EqualsNoCase(name, "Content-Encoding"))
      ReadContentEncoding(value, framing);
  }
  return framing;
}

}  // namespace platform

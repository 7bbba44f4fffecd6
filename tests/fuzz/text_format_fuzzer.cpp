// FormatEntry with any entry text, as a translated library might hold: only the one
// argument is shown, the result stays within a bound set by the entry and the argument,
// every byte of it comes from the entry or the argument, and no byte of the entry that
// starts no conversion (a zero byte included) is lost.
//
// Input: a byte choosing the argument (none, a text, a number); for a text a length byte
// and the text, for a number eight bytes; then the entry text.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "ui/text_format.h"

namespace {

// The widest a shown argument can get: a width or precision of 256 (larger ones are cut
// to it) and a sign or "0x" in front of the digits.
constexpr std::size_t kWidestNumber = 256 + 2;

// True when every byte of part occurs in text, in the same order.
bool IsSubsequence(const std::string& part, const std::string& text) {
  std::size_t at = 0;
  for (const char c : text) {
    if (at < part.size() && part[at] == c)
      ++at;
  }
  return at == part.size();
}

std::size_t Zeros(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputCutter input(data, size);
  const unsigned kind = input.Byte() % 3;
  FormatArgument argument;
  std::string argumentText;
  if (kind == 1) {
    argumentText = input.ShortText(64);
    argument = FormatArgument(argumentText);
  } else if (kind == 2) {
    const std::string bytes = input.Text(sizeof(long));
    long number = 0;
    std::memcpy(&number, bytes.data(), bytes.size());
    argument = FormatArgument(number);
    argumentText = std::to_string(number);
  }
  const std::string format = input.Rest();

  const std::string result = FormatEntry(format, argument);
  KWU_FUZZ_CHECK(result.size() <= format.size() + std::max(argumentText.size(), kWidestNumber));
  // A zero byte starts no conversion and takes part in none, so it is copied like text.
  KWU_FUZZ_CHECK(Zeros(result) >= Zeros(format));

  const std::string plain = FormatEntry(format, FormatArgument());
  KWU_FUZZ_CHECK(IsSubsequence(plain, format));
  KWU_FUZZ_CHECK(plain.size() <= format.size());
  KWU_FUZZ_CHECK(Zeros(plain) == Zeros(format));
  if (format.find('%') == std::string::npos) {
    KWU_FUZZ_CHECK(plain == format);
    KWU_FUZZ_CHECK(result == format);
  }
  // Whatever the argument, the entry's own text around the conversions is the same; an
  // argument only ever adds.
  KWU_FUZZ_CHECK(result.size() >= plain.size());
  if (argumentText.find('%') == std::string::npos)
    KWU_FUZZ_CHECK(std::count(result.begin(), result.end(), '%') ==
                   std::count(plain.begin(), plain.end(), '%'));
  return 0;
}

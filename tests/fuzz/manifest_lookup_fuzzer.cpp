// FindFileArgs over any manifest: the result is one trimmed piece of one line of the text,
// the lookup ignores letter case and the kind of line end, and a section that the text
// cannot hold yields nothing.
//
// Input: a length byte and the product name, a length byte and the version key, then the
// manifest.
#include <cstdint>

#include "fuzz_check.h"
#include "platform/text.h"
#include "update/manifest_lookup.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// A byte that occurs nowhere in the text in either letter case, or -1.
int AbsentByte(const std::string& text) {
  bool seen[256] = {};
  for (const char c : text)
    seen[static_cast<unsigned char>(c)] = true;
  for (int b = 0x80; b < 0x100; ++b) {
    if (!seen[b])
      return b;
  }
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputCutter input(data, size);
  const std::string name = input.ShortText(24);
  const std::string version = input.ShortText(24);
  const std::string manifest = input.Rest();

  const std::string result = FindFileArgs(name, version, manifest);
  KWU_FUZZ_CHECK(result.find_first_of("\r\n") == std::string::npos);
  if (!result.empty()) {
    KWU_FUZZ_CHECK(!IsBlank(result.front()) && !IsBlank(result.back()));
    KWU_FUZZ_CHECK(fuzz::Contains(manifest, result));
  }

  // Headers match without regard to letter case.
  KWU_FUZZ_CHECK(FindFileArgs(ToLower(name), ToLower(version), manifest) == result);

  // Every run of CR and LF ends one line, so Unix and Windows line ends read alike.
  std::string windows;
  for (const char c : manifest) {
    if (c == '\n')
      windows += '\r';
    windows += c;
  }
  KWU_FUZZ_CHECK(FindFileArgs(name, version, windows) == result);

  // A name holding a byte that the manifest lacks cannot head any of its sections.
  const int absent = AbsentByte(manifest);
  if (absent >= 0)
    KWU_FUZZ_CHECK(FindFileArgs(name + static_cast<char>(absent), version, manifest).empty());
  return 0;
}

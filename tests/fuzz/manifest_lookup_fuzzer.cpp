// FindFileArgs over any manifest: the result is one trimmed piece of one line of the text,
// the lookup ignores letter case and the kind of line end, and a section that the text
// cannot hold yields nothing. The same holds for a manifest pieced together from the
// lines the unit tests draw at random, with the input's bytes making the choices, so that
// the fuzzer reaches well-formed sections often.
//
// Input: a length byte and the product name, a length byte and the version key, then the
// manifest.
#include <cstdint>

#include "../support/random_manifest.h"
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

void CheckLookup(const std::string& name, const std::string& version, const std::string& manifest) {
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputCutter input(data, size);
  const std::string name = input.ShortText(24);
  const std::string version = input.ShortText(24);
  const std::string manifest = input.Rest();
  CheckLookup(name, version, manifest);

  std::size_t next = 0;
  const std::string pieced = test::PiecedManifest([&manifest, &next](std::size_t n) {
    return next < manifest.size() ? static_cast<unsigned char>(manifest[next++]) % n : 0;
  });
  CheckLookup(name, version, pieced);
  CheckLookup("App", version, pieced);
  return 0;
}

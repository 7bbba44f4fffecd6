// ParseUrl and IsHttpUrl on any text: an accepted URL is safe to hand to a browser's
// command line as one argument, its parts are well formed, and IsHttpUrl agrees with the
// parser.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/url.h"
#include "update/manifest_download.h"

namespace {

bool IsSafeUrlByte(unsigned char c) {
  return c > 0x20 && c < 0x7F && c != '"' && c != '\'' && c != '\\';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  platform::ParsedUrl parts;
  parts.server = "left over";
  parts.port = 1;
  const bool accepted = platform::ParseUrl(url, parts);
  KWU_FUZZ_CHECK(IsHttpUrl(url) == (accepted && parts.service == platform::kServiceHttp));

  if (!accepted) {
    // A refused text leaves nothing behind.
    KWU_FUZZ_CHECK(parts.server.empty() && parts.object.empty() && parts.port == 0 &&
                   parts.service == platform::kServiceUnknown);
    return 0;
  }
  KWU_FUZZ_CHECK(url.size() <= platform::kMaxUrlLength);
  for (const char c : url)
    KWU_FUZZ_CHECK(IsSafeUrlByte(static_cast<unsigned char>(c)));
  KWU_FUZZ_CHECK(!parts.server.empty() && fuzz::Contains(url, parts.server));
  KWU_FUZZ_CHECK(!parts.object.empty() && parts.object[0] == '/');
  KWU_FUZZ_CHECK(parts.object.find('#') == std::string::npos);
  // The request is the URL's path and query, with "/" put in front when the path is missing.
  KWU_FUZZ_CHECK(fuzz::Contains(url, parts.object) || fuzz::Contains(url, parts.object.substr(1)));
  if (parts.service == platform::kServiceHttp || parts.service == platform::kServiceHttps ||
      parts.service == platform::kServiceFtp)
    KWU_FUZZ_CHECK(parts.port != 0);

  // An http address put together again from its parts reads as the same parts.
  if (parts.service == platform::kServiceHttp) {
    const bool literal = parts.server.find(':') != std::string::npos;
    const std::string server = literal ? "[" + parts.server + "]" : parts.server;
    const std::string rebuilt =
        "http://" + server + ":" + std::to_string(parts.port) + parts.object;
    platform::ParsedUrl again;
    if (rebuilt.size() <= platform::kMaxUrlLength) {
      KWU_FUZZ_CHECK(platform::ParseUrl(rebuilt, again));
      KWU_FUZZ_CHECK(again.service == parts.service && again.server == parts.server &&
                     again.object == parts.object && again.port == parts.port);
    }
  }
  return 0;
}

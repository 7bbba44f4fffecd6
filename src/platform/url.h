#pragma once
#include <string>

namespace platform {

// Service types of an absolute URL, by scheme. Only http and https are ever used for a
// transfer, and https only where the build accepts it.
enum InternetService : unsigned long {
  kServiceUnknown = 0,  // any scheme not listed here
  kServiceFtp = 1,
  kServiceHttp = 3,
  kServiceHttps = 4,
  kServiceFile = 5,
};

// The parts of an absolute URL of the form scheme://server[:port][/path][?query][#fragment].
struct ParsedUrl {
  InternetService service = kServiceUnknown;
  std::string server;       // host name or address; an IPv6 literal without its brackets
  std::string object;       // path and query to request; "/" when the path is missing
  unsigned short port = 0;  // as written, else the service's standard port (0 if none)
};

// The longest text accepted as a URL, in characters.
constexpr std::size_t kMaxUrlLength = 2083;

// Splits an absolute URL into its parts; false for a text that is not one. The grammar
// is deliberately narrow (see docs/urls.md): an accepted text holds no blank, quote,
// backslash, control or non-ASCII character, so a browser's command line always reads
// it as exactly one argument.
bool ParseUrl(const std::string& url, ParsedUrl& parts);

// The schemes whose addresses the program uses: for the manifest and for the update page.
struct UrlSchemes {
  bool http;
  bool https;
};

// The schemes this build accepts, chosen by its maker (KWU_URL_SCHEMES): http alone unless
// the build says otherwise. The one place that decides them.
UrlSchemes AcceptedSchemes();

// Whether parts, as ParseUrl gave them, name a service of schemes.
bool IsOfSchemes(const ParsedUrl& parts, UrlSchemes schemes);

// The scheme of the built-in manifest address: https whenever schemes hold it.
const char* PreferredScheme(UrlSchemes schemes);

}  // namespace platform

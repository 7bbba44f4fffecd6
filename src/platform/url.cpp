#include "platform/url.h"

#include <cstring>

#include "build_options.h"
#include "platform/text.h"

namespace platform {

namespace {

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
  return HexDigitValue(c) >= 0;
}

// Characters that may stand in the path, query or fragment: the unreserved and
// sub-delimiter characters of URLs, less the single quote, plus ":", "@", "/", "?" and
// the "%" of an escape. Everything a command line could split or unquote at is missing.
bool IsPathChar(char c) {
  return IsAlpha(c) || IsDigit(c) || (c != '\0' && std::strchr("-._~!$&()*+,;=:@/?%", c));
}

bool IsHostChar(char c) {
  return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_';
}

bool IsIpv6Char(char c) {
  return IsHexDigit(c) || c == ':' || c == '.';
}

InternetService ServiceOf(const std::string& scheme) {
  const std::string lower = ToLower(scheme);
  if (lower == "http")
    return kServiceHttp;
  if (lower == "https")
    return kServiceHttps;
  if (lower == "ftp")
    return kServiceFtp;
  if (lower == "file")
    return kServiceFile;
  return kServiceUnknown;
}

unsigned short StandardPort(InternetService service) {
  switch (service) {
    case kServiceHttp: return 80;
    case kServiceHttps: return 443;
    case kServiceFtp: return 21;
    default: return 0;
  }
}

// A port of one to five digits with a value from 1 to 65535.
bool ParsePort(const std::string& text, unsigned short& port) {
  if (text.empty() || text.size() > 5)
    return false;
  unsigned long value = 0;
  for (char c : text) {
    if (!IsDigit(c))
      return false;
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  if (value == 0 || value > 65535)
    return false;
  port = static_cast<unsigned short>(value);
  return true;
}

// Server and optional port; no user information.
bool ParseAuthority(const std::string& authority, ParsedUrl& parts) {
  std::string portText;
  bool hasPort = false;
  if (!authority.empty() && authority[0] == '[') {
    const auto close = authority.find(']');
    if (close == std::string::npos)
      return false;
    parts.server = authority.substr(1, close - 1);
    if (parts.server.find(':') == std::string::npos)
      return false;
    for (char c : parts.server) {
      if (!IsIpv6Char(c))
        return false;
    }
    const std::string rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':')
        return false;
      hasPort = true;
      portText = rest.substr(1);
    }
  } else {
    const auto colon = authority.find(':');
    parts.server = authority.substr(0, colon);
    if (colon != std::string::npos) {
      hasPort = true;
      portText = authority.substr(colon + 1);
    }
    if (parts.server.empty() || parts.server.size() > 255)
      return false;
    for (char c : parts.server) {
      if (!IsHostChar(c))
        return false;
    }
  }
  if (hasPort)
    return ParsePort(portText, parts.port);
  parts.port = StandardPort(parts.service);
  return true;
}

// Path, query and fragment: only characters of IsPathChar, every "%" starting an escape
// of two hex digits, and at most one "#".
bool IsValidReference(const std::string& text) {
  bool fragment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '#') {
      if (fragment)
        return false;
      fragment = true;
    } else if (c == '%') {
      if (i + 2 >= text.size() || !IsHexDigit(text[i + 1]) || !IsHexDigit(text[i + 2]))
        return false;
      i += 2;
    } else if (!IsPathChar(c)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseUrl(const std::string& url, ParsedUrl& parts) {
  parts = ParsedUrl();
  if (url.empty() || url.size() > kMaxUrlLength)
    return false;

  const auto schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos || schemeEnd == 0 || !IsAlpha(url[0]))
    return false;
  const std::string scheme = url.substr(0, schemeEnd);
  for (char c : scheme) {
    if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.')
      return false;
  }

  const std::size_t authorityStart = schemeEnd + 3;
  auto authorityEnd = url.find_first_of("/?#", authorityStart);
  if (authorityEnd == std::string::npos)
    authorityEnd = url.size();

  ParsedUrl result;
  result.service = ServiceOf(scheme);
  if (!ParseAuthority(url.substr(authorityStart, authorityEnd - authorityStart), result))
    return false;

  const std::string reference = url.substr(authorityEnd);
  if (!IsValidReference(reference))
    return false;

  // The fragment belongs to the browser, not to the request.
  const std::string request = reference.substr(0, reference.find('#'));
  result.object = (request.empty() || request[0] != '/') ? "/" + request : request;
  parts = result;
  return true;
}

UrlSchemes AcceptedSchemes() {
  return UrlSchemes{KWU_ACCEPTS_HTTP != 0, KWU_ACCEPTS_HTTPS != 0};
}

bool IsOfSchemes(const ParsedUrl& parts, UrlSchemes schemes) {
  return (schemes.http && parts.service == kServiceHttp) ||
         (schemes.https && parts.service == kServiceHttps);
}

const char* PreferredScheme(UrlSchemes schemes) {
  return schemes.https ? "https" : "http";
}

}  // namespace platform

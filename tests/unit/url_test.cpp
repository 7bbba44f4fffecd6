#include "platform/url.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/registry_settings.h"
#include "update/manifest_download.h"

namespace {

platform::ParsedUrl Parse(const std::string& url) {
  platform::ParsedUrl parts;
  EXPECT_TRUE(platform::ParseUrl(url, parts)) << url;
  return parts;
}

}  // namespace

TEST(ParseUrl, SplitsServerObjectAndPort) {
  auto parts = Parse("http://www.example.com/misc/update.ini");
  EXPECT_EQ(parts.service, platform::kServiceHttp);
  EXPECT_EQ(parts.server, "www.example.com");
  EXPECT_EQ(parts.object, "/misc/update.ini");
  EXPECT_EQ(parts.port, 80);

  parts = Parse("http://127.0.0.1:8080/a/b.ini");
  EXPECT_EQ(parts.server, "127.0.0.1");
  EXPECT_EQ(parts.object, "/a/b.ini");
  EXPECT_EQ(parts.port, 8080);

  parts = Parse("HTTP://Host_1.example:65535/X");
  EXPECT_EQ(parts.service, platform::kServiceHttp);
  EXPECT_EQ(parts.server, "Host_1.example");
  EXPECT_EQ(parts.port, 65535);
  EXPECT_EQ(Parse("http://host:00080/").port, 80);
}

TEST(ParseUrl, MissingPathQueryAndFragment) {
  EXPECT_EQ(Parse("http://host").object, "/");
  EXPECT_EQ(Parse("http://host:81").object, "/");
  EXPECT_EQ(Parse("http://host?a=1&b=%2F").object, "/?a=1&b=%2F");
  EXPECT_EQ(Parse("http://host/p?q=1#frag").object, "/p?q=1");
  EXPECT_EQ(Parse("http://host#frag?x").object, "/");
  EXPECT_EQ(Parse("http://host/a;b,c(d)*e+f!g$h~i@j:k").object, "/a;b,c(d)*e+f!g$h~i@j:k");
}

TEST(ParseUrl, Ipv6LiteralsInBrackets) {
  auto parts = Parse("http://[::1]:8080/x");
  EXPECT_EQ(parts.server, "::1");
  EXPECT_EQ(parts.port, 8080);
  EXPECT_EQ(Parse("http://[2001:db8::7]/").port, 80);
  EXPECT_EQ(Parse("http://[::ffff:127.0.0.1]").server, "::ffff:127.0.0.1");

  platform::ParsedUrl ignored;
  for (const char* bad : {"http://[::1/", "http://[]/", "http://[127.0.0.1]/", "http://[::1]x/",
                          "http://[fe80::1%25eth0]/", "http://[::g]/", "http://::1/"}) {
    EXPECT_FALSE(platform::ParseUrl(bad, ignored)) << bad;
  }
}

TEST(ParseUrl, OtherSchemesParseButAreNotHttp) {
  EXPECT_EQ(Parse("https://host/").service, platform::kServiceHttps);
  EXPECT_EQ(Parse("https://host/").port, 443);
  EXPECT_EQ(Parse("ftp://host/f").service, platform::kServiceFtp);
  EXPECT_EQ(Parse("gopher://host/").service, platform::kServiceUnknown);
  EXPECT_EQ(Parse("httpx://host/").service, platform::kServiceUnknown);
  EXPECT_EQ(Parse("httpx://host/").port, 0);
}

TEST(ParseUrl, FailureLeavesNoPartsBehind) {
  platform::ParsedUrl parts = Parse("http://host:81/x");
  EXPECT_FALSE(platform::ParseUrl("http://host:0/", parts));
  EXPECT_EQ(parts.server, "");
  EXPECT_EQ(parts.object, "");
  EXPECT_EQ(parts.port, 0);
  EXPECT_EQ(parts.service, platform::kServiceUnknown);
}

TEST(IsHttpUrl, AcceptsPlainHttpAddresses) {
  for (const char* url : {"http://host/", "http://host", "Http://h/p?q#f", "http://h:1/",
                          "http://a-b.c_d/x%20y", "http://[::1]/"}) {
    EXPECT_TRUE(IsHttpUrl(url)) << url;
  }
}

TEST(IsHttpUrl, OtherSchemesAndNonUrlsAreFalse) {
  for (const char* text :
       {"", "https://host/", "HTTPS://host/", "ftp://host/", "file:///c:/x.ini", "file://host/x",
        "mailto:someone@example.com", "http:host/", "http:/host/", "//host/", "host/path",
        "http//host/", "http://", "http:///path", "://host/", "1http://host/",
        "FileArgs http://host/", "c:\\page.html", "http"}) {
    EXPECT_FALSE(IsHttpUrl(text)) << text;
  }
}

TEST(IsHttpUrl, RejectsUserInformation) {
  // An address such as http://vendor.example@other.example/ names a different server
  // from the one it seems to; the download sends no user name anyway.
  for (const char* text : {"http://user@host/", "http://user:pw@host/", "http://@host/",
                           "http://vendor.example@other.example/"}) {
    EXPECT_FALSE(IsHttpUrl(text)) << text;
  }
}

TEST(IsHttpUrl, RejectsBadPorts) {
  for (const char* text : {"http://host:/", "http://host:0/", "http://host:65536/",
                           "http://host:123456/", "http://host:-1/", "http://host:+80/",
                           "http://host:8o/", "http://host:80:81/", "http://host: 80/"}) {
    EXPECT_FALSE(IsHttpUrl(text)) << text;
  }
}

TEST(IsHttpUrl, RejectsWhatACommandLineCouldSplitOrUnquote) {
  for (const char* text :
       {" http://host/",       "http://host/ ",           "http://host/a b",  "http://host/a\tb",
        "http://host/\"a",     "http://host/a\" --flag",  "http://host/'a'",  "http://host/a\\b",
        "http://host/a`b`",    "http://host/a|b",         "http://host/<a>",  "http://host/a^b",
        "http://host/{a}",     "http://host/[a]",         "http://ho st/",    "http://host\"/",
        "http://host/a\r\nb",  "http://host/a\n",         "http://host/\x7f", "http://host/\x1b[0m",
        "http://h\xC3\xA9st/", "http://host/caf\xC3\xA9", "http://host/#a#b", "http://host/%",
        "http://host/%2",      "http://host/%zz",         "http://ho%41st/"}) {
    EXPECT_FALSE(IsHttpUrl(text)) << testing::PrintToString(std::string(text));
  }
  EXPECT_FALSE(IsHttpUrl(std::string("http://host/a\0b", 15)));
}

TEST(IsHttpUrl, LengthLimit) {
  const std::string prefix = "http://host/";
  EXPECT_TRUE(IsHttpUrl(prefix + std::string(platform::kMaxUrlLength - prefix.size(), 'a')));
  EXPECT_FALSE(IsHttpUrl(prefix + std::string(platform::kMaxUrlLength - prefix.size() + 1, 'a')));
  EXPECT_FALSE(IsHttpUrl("http://" + std::string(256, 'h') + "/"));
}

TEST(UrlSchemes, EachChoiceOfTheMakerAcceptsItsSchemesAndNoOther) {
  const struct {
    platform::UrlSchemes schemes;
    bool http;
    bool https;
    const char* preferred;
  } choices[] = {{{true, false}, true, false, "http"},
                 {{true, true}, true, true, "https"},
                 {{false, true}, false, true, "https"}};
  for (const auto& choice : choices) {
    EXPECT_EQ(platform::IsOfSchemes(Parse("http://h/"), choice.schemes), choice.http);
    EXPECT_EQ(platform::IsOfSchemes(Parse("HTTPS://h:8443/"), choice.schemes), choice.https);
    for (const char* other : {"ftp://h/", "file://h/x", "gopher://h/", "httpx://h/"})
      EXPECT_FALSE(platform::IsOfSchemes(Parse(other), choice.schemes)) << other;
    EXPECT_STREQ(platform::PreferredScheme(choice.schemes), choice.preferred);
  }
  EXPECT_EQ(Parse("https://h/").port, 443);
}

TEST(UrlSchemes, AProgramBuiltWithoutChoosingUsesHttpAlone) {
  const platform::UrlSchemes accepted = platform::AcceptedSchemes();
  EXPECT_TRUE(accepted.http);
  EXPECT_FALSE(accepted.https);
  EXPECT_EQ(DefaultManifestAddress().rfind("http://", 0), 0u) << DefaultManifestAddress();
}

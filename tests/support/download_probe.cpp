// Calls the manifest download or the URL test once and prints what came back, one
// "name=value" line each, with the values escaped so that any byte survives the console:
//   download_probe download <url>        result, error text and manifest
//   download_probe download-size <url>   result, error text, and the manifest's size with
//                                        its first and last 64 bytes, for large bodies
//   download_probe is-http <text>        true or false
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/internet.h"
#include "update/manifest_download.h"

namespace {

std::string Escape(const std::string& text) {
  std::string escaped;
  for (unsigned char c : text) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      escaped += hex;
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

int Usage() {
  std::fputs("usage: download_probe download <url> | download-size <url> | is-http <text>\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3)
    return Usage();
  const std::string command = argv[1];
  const std::string argument = argv[2];

  if (command == "is-http") {
    std::printf("%s\n", IsHttpUrl(argument) ? "true" : "false");
    return 0;
  }
  if (command != "download" && command != "download-size")
    return Usage();

  // Two strings that already hold text, to show that every call empties its outputs.
  std::string manifest = "stale manifest";
  std::string errorText = "stale error";
  try {
    const int result = DownloadManifest(argument, manifest, errorText);
    std::printf("result=%d\nerror=%s\n", result, Escape(errorText).c_str());
    if (command == "download") {
      std::printf("manifest=%s\n", Escape(manifest).c_str());
    } else {
      const std::size_t edge = std::min<std::size_t>(manifest.size(), 64);
      std::printf("manifest-size=%s\nmanifest-head=%s\nmanifest-tail=%s\n",
                  std::to_string(manifest.size()).c_str(), Escape(manifest.substr(0, edge)).c_str(),
                  Escape(manifest.substr(manifest.size() - edge)).c_str());
    }
  } catch (const platform::CInternetException& exception) {
    std::printf("session-failed=%s\n", Escape(InternetErrorText(exception)).c_str());
    return 1;
  }
  std::fflush(stdout);
  return 0;
}

#include "tool/manifest_source.h"

#include <cstdio>
#include <memory>

namespace {

// The program's own request once more, only to read what a failed answer said: its status
// and, for a redirection, where it points.
void LookAtAnswer(ManifestSource& source) {
  try {
    ManifestRequest request;
    platform::CHttpFile& answer = request.Open(source.name);
    answer.SendRequest();
    unsigned long status = 0;
    if (answer.QueryInfoStatusCode(status))
      source.status = status;
    source.hasLocation = answer.QueryInfoLocation(source.location);
    request.Close();
  } catch (...) {
    // The program's own verdict stands; the second look only adds detail when it can.
  }
}

void Download(ManifestSource& source) {
  source.downloaded = true;
  try {
    // The program's transfer; its signature is the tool's to judge (signing.h).
    source.result = FetchManifest(source.name, source.text, source.errorText);
  } catch (const platform::CInternetException& exception) {
    source.result = DL_UNKNOWN_ERROR;
    source.errorText = "the internet session does not open: " + InternetErrorText(exception);
  }
  if (source.result == DL_UPDATE_ERROR && IsHttpUrl(source.name))
    LookAtAnswer(source);
  source.usable = source.result == DL_OK;
}

void ReadFile(ManifestSource& source) {
  source.usable = ReadWholeFile(source.name, source.text, source.errorText);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text, std::string& why) {
  text.clear();
  std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"),
                                                          &std::fclose);
  if (!file) {
    why = "the file does not open";
    return false;
  }
  // Room for the whole file at once, where its size can be told: no copy as it grows.
  if (std::fseek(file.get(), 0, SEEK_END) == 0) {
    const long size = std::ftell(file.get());
    if (size > 0)
      text.reserve(static_cast<std::size_t>(size));
    std::rewind(file.get());
  }
  char buffer[65536];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    text.append(buffer, count);
  if (std::ferror(file.get())) {
    why = "the file cannot be read";
    return false;
  }
  return true;
}

ManifestSource LoadManifestSource(const std::string& name) {
  ManifestSource source;
  source.name = name;
  if (IsHttpUrl(name) || name.find("://") != std::string::npos)
    Download(source);
  else
    ReadFile(source);
  return source;
}

const char* DownloadResultName(int result) {
  switch (result) {
    case DL_OK: return "DL_OK";
    case DL_INTERNET_ERROR: return "DL_INTERNET_ERROR";
    case DL_UPDATE_ERROR: return "DL_UPDATE_ERROR";
    case DL_UNKNOWN_ERROR: return "DL_UNKNOWN_ERROR";
  }
  return "DL_UNKNOWN_ERROR";
}

#pragma once
#include <string>

#include "update/manifest_download.h"

// A manifest as the tool obtained it: read from a file, or downloaded as the program
// downloads it.
struct ManifestSource {
  std::string name;
  bool downloaded = false;
  bool usable = false;       // text holds the manifest
  int result = DL_OK;        // of a download
  std::string errorText;     // why it is not usable
  unsigned long status = 0;  // of a failed download, when a second look could read it
  bool hasLocation = false;
  std::string location;
  std::string text;
};

// Reads the file name, or, when name holds "://", downloads it as DownloadManifest does
// (FetchManifest: a build's signature check is left to the tool's report).
// For a download that ends in DL_UPDATE_ERROR it sends the same request once more, only
// to read the answer's status and Location field; the program's own verdict stands.
ManifestSource LoadManifestSource(const std::string& name);

// Reads the whole file at path as bytes; false, with why, when it cannot.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& why);

// The name of a DownloadManifest result code, such as "DL_OK".
const char* DownloadResultName(int result);

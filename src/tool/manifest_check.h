#pragma once
#include <cstddef>
#include <string>
#include <vector>

// One thing in a manifest that makes the program read it otherwise than its maker likely
// meant: where, what kind (a stable word, see docs/manifest-tool.md), why, and the fix.
struct ManifestFinding {
  std::size_t line;
  std::string kind;
  std::string message;
  std::string fix;
};

// The finding kinds.
extern const char kHeaderOnFirstLine[];
extern const char kRedirectTargetMissing[];
extern const char kFileArgsNotHttp[];
extern const char kKeyLetterCase[];
extern const char kHeaderBlanks[];
extern const char kDuplicateHeader[];
extern const char kEmptyFileArgs[];
extern const char kFileArgsWithoutEquals[];
extern const char kUnreachableLine[];

// The findings of a manifest, in the order of their lines.
std::vector<ManifestFinding> CheckManifest(const std::string& manifest);

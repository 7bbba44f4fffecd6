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
inline constexpr char kHeaderOnFirstLine[] = "header-on-first-line";
inline constexpr char kRedirectTargetMissing[] = "redirect-target-missing";
inline constexpr char kFileArgsNotHttp[] = "fileargs-not-http";
inline constexpr char kKeyLetterCase[] = "key-letter-case";
inline constexpr char kHeaderBlanks[] = "header-blanks";
inline constexpr char kDuplicateHeader[] = "duplicate-header";
inline constexpr char kEmptyFileArgs[] = "empty-fileargs";
inline constexpr char kFileArgsWithoutEquals[] = "fileargs-without-equals";
inline constexpr char kUnreachableLine[] = "unreachable-line";
inline constexpr char kNotAManifest[] = "not-a-manifest";  // a page of markup, found alone
inline constexpr char kZeroByte[] = "zero-byte";
inline constexpr char kLoneCr[] = "lone-cr";  // among other line ends

// The findings of a manifest, in the order of their lines.
std::vector<ManifestFinding> CheckManifest(const std::string& manifest);

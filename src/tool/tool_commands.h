#pragma once
#include <optional>
#include <string>
#include <vector>

#include "tool/manifest_check.h"
#include "tool/manifest_source.h"
#include "tool/product_report.h"
#include "tool/signing.h"
#include "tool/update_explain.h"

// The commands of kavexwebupd-manifest. Each returns its result, which is printed in one
// place (tool_output.h) as text or as JSON.
enum class ToolCommand { kCheck, kExplain, kProducts };

// A product file and, when the program takes it, its explanation.
struct ExplainedProductFile {
  ProductFileReport report;
  UpdateExplanation explanation;
};

// What a command found. Only the source is filled in when it is not usable.
struct ToolResult {
  ToolCommand command;
  ManifestSource source;
  std::optional<SignatureReport> signature;  // when a key is in effect
  std::optional<FreshnessReport> freshness;  // when a key is in effect
  std::vector<ManifestFinding> findings;     // check
  UpdateExplanation explanation;             // explain
  std::string pattern;                       // products: the search pattern of the folder
  std::vector<ExplainedProductFile> files;   // products
};

// Each command reads the manifest at source and, when key is given, judges its signature.

// The findings in the manifest.
ToolResult Check(const std::string& source, const std::optional<SignatureKey>& key);
// The program's decision for one product.
ToolResult Explain(const std::string& source, const std::optional<SignatureKey>& key,
                   const std::string& name, const std::string& version, const std::string& locale);
// The product files of folder (by default the program's product folder), each explained.
// Raises std::runtime_error when the folder given is not there, or none is given and there
// is no product folder.
ToolResult Products(const std::string& source, const std::optional<SignatureKey>& key,
                    const std::optional<std::string>& folder);

// Exit codes of kavexwebupd-manifest.
enum {
  kExitClean = 0,     // no finding (explain: explained, whatever the outcome)
  kExitFindings = 1,  // findings, product files the program skips, or a signature that is
                      // not valid, or a freshness a program refuses
  kExitUnusable = 2,  // bad arguments, a source that cannot be read or downloaded
};

int ExitCode(const ToolResult& result);

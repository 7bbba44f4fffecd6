#include "tool/tool_commands.h"

#include <stdexcept>

#include "platform/folders.h"

namespace {

// The command's result so far: the manifest it reads, and its signature.
ToolResult Load(ToolCommand command, const std::string& source,
                const std::optional<SignatureKey>& key) {
  ToolResult result{command, LoadManifestSource(source), std::nullopt, std::nullopt, {}, {}, {},
                    {}};
  if (result.source.usable && key) {
    result.signature = ReportSignature(result.source.text, *key);
    result.freshness = ReportFreshness(result.source.text, result.signature->signature);
  }
  return result;
}

}  // namespace

ToolResult Check(const std::string& source, const std::optional<SignatureKey>& key) {
  ToolResult result = Load(ToolCommand::kCheck, source, key);
  if (result.source.usable)
    result.findings = CheckManifest(result.source.text);
  return result;
}

ToolResult Explain(const std::string& source, const std::optional<SignatureKey>& key,
                   const std::string& name, const std::string& version, const std::string& locale) {
  ToolResult result = Load(ToolCommand::kExplain, source, key);
  if (result.source.usable)
    result.explanation = ExplainUpdate(name, version, locale, result.source.text);
  return result;
}

ToolResult Products(const std::string& source, const std::optional<SignatureKey>& key,
                    const std::optional<std::string>& folder) {
  ToolResult result = Load(ToolCommand::kProducts, source, key);
  if (!result.source.usable)
    return result;
  std::string searched;
  if (folder) {
    // A folder named by hand that is not there is a typing error, not a folder without
    // products.
    if (!platform::IsFolder(*folder))
      throw std::runtime_error("the folder " + *folder + " does not exist");
    searched = *folder;
  } else if (!DefaultProductFolder(searched))
    throw std::runtime_error("the common application-data folder is not available");
  for (ProductFileReport& report : ReadProductFolder(searched, result.pattern)) {
    ExplainedProductFile file{std::move(report), {}};
    if (file.report.taken)
      file.explanation = ExplainUpdate(file.report.product.Name, file.report.product.Version,
                                       file.report.product.Locale, result.source.text);
    result.files.push_back(std::move(file));
  }
  return result;
}

int ExitCode(const ToolResult& result) {
  if (!result.source.usable)
    return kExitUnusable;
  if (result.signature && result.signature->signature.status != SignatureStatus::kValid)
    return kExitFindings;
  if (result.freshness && FreshnessRefused(*result.freshness))
    return kExitFindings;
  switch (result.command) {
    case ToolCommand::kCheck: return result.findings.empty() ? kExitClean : kExitFindings;
    case ToolCommand::kExplain: return kExitClean;
    case ToolCommand::kProducts:
      for (const ExplainedProductFile& file : result.files) {
        if (!file.report.taken)
          return kExitFindings;
      }
      return kExitClean;
  }
  return kExitUnusable;
}

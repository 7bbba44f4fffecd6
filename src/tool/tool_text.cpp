// The tool's results as text for a reader.
#include "tool/tool_output.h"

#include "update/manifest_download.h"
#include "update/update_page.h"

namespace {

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

void DescribeSource(const ManifestSource& source, std::string& out) {
  out += "source: " + source.name + "\n";
  if (!source.downloaded) {
    out += source.usable ? "read: " + std::to_string(source.text.size()) + " bytes\n"
                         : "not readable: " + source.errorText + "\n";
    return;
  }
  if (source.usable) {
    out += "download: DL_OK, " + std::to_string(source.text.size()) + " bytes\n";
    return;
  }
  out += std::string("download: ") + DownloadResultName(source.result) + ": " + source.errorText +
         "\n";
  if (source.status >= 300 && source.status < 400) {
    out += "  the server redirects (" + std::to_string(source.status) +
           ") to: " + (source.hasLocation ? source.location : std::string("(no Location header)")) +
           "\n";
    out +=
        "  The program does not follow redirections: every check fails with this error.\n"
        "  Serve the manifest at this address itself, over http, with status 200.\n";
  }
}

void DescribeSignature(const SignatureReport& report, std::string& out) {
  out += std::string("signature: ") + SignatureStatusName(report.signature.status) + " (key " +
         report.keyId + ", " + (report.key.builtIn ? std::string("built in") : report.key.name) +
         "): " + SignatureMessage(report) + "\n";
  const std::string fix = SignatureFix(report);
  if (!fix.empty())
    out += "  fix: " + fix + "\n";
}

void DescribeFreshness(const FreshnessReport& report, std::string& out) {
  const ManifestFreshness& freshness = report.freshness;
  std::string state = FreshnessStatusName(freshness.status);
  if (freshness.status == FreshnessStatus::kPresent)
    state = !freshness.expires       ? "never expires"
            : FreshnessExpired(report) ? "expired"
                                       : "expires in " + std::to_string(FreshnessDaysLeft(report)) +
                                             " days";
  out += "freshness: " + state + ": " + FreshnessMessage(report) + "\n";
  const std::string fix = FreshnessFix(report);
  if (!fix.empty())
    out += "  fix: " + fix + "\n";
}

void DescribeFinding(const ManifestFinding& finding, std::string& out) {
  out += "line " + std::to_string(finding.line) + ": " + finding.kind + ": " + finding.message +
         "\n  fix: " + finding.fix + "\n";
}

void DescribeStep(const LookupTrace::Step& step, std::string& out) {
  out += "    line " + std::to_string(step.line) + ": ";
  switch (step.event) {
    case LookupEvent::kFirstLine: out += "first line, never read: " + Quoted(step.text); break;
    case LookupEvent::kHeaderOpened: out += step.text + " opens the section"; break;
    case LookupEvent::kSectionClosed: out += step.text + " ends the section"; break;
    case LookupEvent::kRedirect:
      out += "Sections redirects to " + step.text + " and ends the section";
      break;
    case LookupEvent::kFileArgs: out += "FileArgs gives " + Quoted(step.text); break;
  }
  out += "\n";
}

// Why a lookup found no FileArgs line: what it was looking for when the manifest ended.
std::string WhyNoFileArgs(const LookupTrace& trace) {
  if (trace.steps.empty())
    return "no header " + trace.header + " below the first line";
  const LookupTrace::Step& last = trace.steps.back();
  if (last.event == LookupEvent::kRedirect)
    return "no header " + last.text + " below line " + std::to_string(last.line);
  return "the section has no FileArgs line";
}

// Why a page the lookup found is not offered.
std::string NotUsable(const std::string& page) {
  return IsHttpUrl(page) ? "longer than " + std::to_string(kMaxUpdatePageLength) + " characters"
                         : std::string("not an http address");
}

void DescribeLookup(const LookupTrace& trace, std::string& out) {
  out += "  looking for " + trace.header + "\n";
  if (trace.firstLine != 0)
    DescribeStep(LookupTrace::Step{trace.firstLine, LookupEvent::kFirstLine, trace.firstLineText},
                 out);
  for (const LookupTrace::Step& step : trace.steps)
    DescribeStep(step, out);
  if (!trace.foundFileArgs)
    out += "    no FileArgs found: " + WhyNoFileArgs(trace) + "\n";
  else if (trace.isHttp)
    out += "    an http address: usable\n";
  else
    out += "    " + NotUsable(trace.value) + ": not usable\n";
}

void DescribeProductFile(const ExplainedProductFile& file, std::string& out) {
  const ProductFileReport& report = file.report;
  if (report.taken)
    out += "\n" + report.path + ":\n" + DescribeExplanation(file.explanation);
  else
    out += "\n" + report.path + ": skipped (" + report.reason + "): " + report.message + "\n";
}

}  // namespace

std::string DescribeExplanation(const UpdateExplanation& explanation) {
  std::string out = "Product " + explanation.name + ", version " + explanation.version +
                    ", locale " + explanation.locale + "\n";
  out += "locale lookup:\n";
  DescribeLookup(explanation.localeLookup, out);
  if (explanation.usedVersionLookup) {
    out += "version lookup (the locale gave no http page):\n";
    DescribeLookup(explanation.versionLookup, out);
  }
  if (explanation.updateOffered)
    out += "Result: update offered, page " + explanation.page + " (from the " +
           explanation.decidedBy + " section)\n";
  else
    out += "Result: no update (" +
           (explanation.page.empty()
                ? std::string("no page")
                : "page " + Quoted(explanation.page) + " is " + NotUsable(explanation.page)) +
           ")\n";
  return out;
}

std::string ResultText(const ToolResult& result) {
  std::string out;
  DescribeSource(result.source, out);
  if (!result.source.usable)
    return out;
  if (result.signature)
    DescribeSignature(*result.signature, out);
  if (result.freshness)
    DescribeFreshness(*result.freshness, out);
  switch (result.command) {
    case ToolCommand::kCheck:
      for (const ManifestFinding& finding : result.findings)
        DescribeFinding(finding, out);
      out += result.findings.empty() ? std::string("no findings\n")
                                     : std::to_string(result.findings.size()) + " finding(s)\n";
      break;
    case ToolCommand::kExplain: out += DescribeExplanation(result.explanation); break;
    case ToolCommand::kProducts:
      out += "product files: " + result.pattern + "\n";
      for (const ExplainedProductFile& file : result.files)
        DescribeProductFile(file, out);
      if (result.files.empty())
        out += "no product files\n";
      break;
  }
  return out;
}

std::string KeygenText(const KeygenResult& result) {
  return "private key: " + result.privatePath +
         " (keep it secret, and off the web server)\npublic key: " + result.publicPath +
         "\nkey id: " + result.keyId +
         "\nBuild the program with -DKWU_MANIFEST_PUBLIC_KEY=" + result.publicPath + "\n";
}

std::string SignText(const SignResult& result) {
  std::string out =
      result.unchanged ? (result.keyIds.size() > 1 ? "already signed by these keys, unchanged: "
                                                    : "already signed by this key, unchanged: ") : std::string("signed: ");
  out += result.manifestPath;
  if (result.outputPath != result.manifestPath)
    out += " -> " + result.outputPath;
  std::string ids;
  for (const std::string& id : result.keyIds)
    ids += (ids.empty() ? "" : ", ") + id;
  const ManifestFreshness& freshness = result.freshness;
  return out + (result.keyIds.size() > 1 ? "\nkey ids: " : "\nkey id: ") + ids + "\nline " +
         std::to_string(result.signature.line) + " signs the " +
         std::to_string(result.signature.signedBytes) + " bytes before it\n" + "sequence " +
         std::to_string(freshness.sequence) + ", " +
         (freshness.expires ? "expires " + UtcTimeText(freshness.expiry)
                            : std::string("never expires (the manifest can be frozen)")) +
         "\n";
}

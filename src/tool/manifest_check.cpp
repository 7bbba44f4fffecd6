#include "tool/manifest_check.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "platform/text.h"
#include "platform/url.h"
#include "tool/fix_effect.h"
#include "update/manifest_download.h"
#include "update/manifest_lookup.h"
#include "update/update_page.h"

namespace {

// A line as the lookup sees it, with what the checks need to know about it.
struct Line {
  std::size_t number;
  std::string text;  // trimmed
  bool first;
};

// Whether text begins with key in some letter case other than the one the lookup reads.
bool StartsWithOtherCase(std::string_view text, std::string_view key) {
  return text.size() >= key.size() && !StartsWith(text, key) &&
         IsManifestHeader(text.substr(0, key.size()), key);
}

// A header's key for finding its repetitions: letters A to Z in lower case, as the lookup
// compares them.
std::string FoldedHeader(const std::string& text) {
  return ToLower(text);
}

bool IsHeader(const std::string& text) {
  return !text.empty() && text[0] == '[';
}

bool MeansNothing(const std::string& text) {
  return text.empty() || text[0] == ';';
}

bool IsBlankChar(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Why a header cannot equal "[" + name + " " + key + "]" for a name and key without
// blanks at their ends or doubled inside; empty when it can (or has no blank at all,
// which only a Sections line reaches).
std::string BlankTrouble(const std::string& header) {
  if (header.size() < 2 || header.back() != ']')
    return std::string();
  const std::string inner = header.substr(1, header.size() - 2);
  if (inner.empty())
    return std::string();
  if (IsBlankChar(inner.front()))
    return "a blank after \"[\"";
  if (IsBlankChar(inner.back()))
    return "a blank before \"]\"";
  for (std::size_t i = 0; i + 1 < inner.size(); ++i) {
    if (IsBlankChar(inner[i]) && IsBlankChar(inner[i + 1]))
      return "two blanks together";
  }
  for (char c : inner) {
    if (IsBlankChar(c) && c != ' ')
      return "a tab or other blank that is not a space";
  }
  return std::string();
}

// The schemes of the pages the program takes, as a maker reads them: "http", "https" or
// "http or https", each followed by after.
std::string AcceptedSchemesText(const std::string& after = "") {
  const platform::UrlSchemes accepted = platform::AcceptedSchemes();
  if (accepted.http && accepted.https)
    return "http" + after + " or https" + after;
  return (accepted.https ? "https" : "http") + after;
}

// Why IsUpdatePage rejects a page, in the words a maker needs.
std::string WhyNotUpdatePage(const std::string& value) {
  if (IsHttpUrl(value))
    return "it is longer than " + std::to_string(kMaxUpdatePageLength) +
           " characters, the longest page the program hands to a browser";
  platform::ParsedUrl parts;
  if (platform::ParseUrl(value, parts)) {
    const bool web =
        parts.service == platform::kServiceHttp || parts.service == platform::kServiceHttps;
    const std::string scheme = parts.service == platform::kServiceHttps ? "https" : "http";
    return web ? "it is an " + scheme + " address, and the program uses " + AcceptedSchemesText() +
                     " only"
               : "its scheme is not " + AcceptedSchemesText();
  }
  for (unsigned char c : value) {
    if (c > 127)
      return "it holds a byte above 127; write it percent-encoded";
    if (c == ' ' || c == '\t')
      return "it holds a blank";
    if (c == '"' || c == '\'')
      return "it holds a quote";
  }
  if (value.find("://") == std::string::npos)
    return "it is not an absolute address but a relative one or a file path";
  return "the address parser rejects it";
}

// The line the fix for a header on the first line puts above it.
const std::string kCommentLine = "; update manifest\n";

// What a fix that turns manifest into fixed changes, as a sentence to add to the fix;
// empty when it changes no product's page. changed: the header of the fixed section.
std::string EffectNote(const std::string& manifest, const std::string& fixed,
                       const std::string& changed) {
  const std::string changes = DescribeChangedResults(manifest, fixed, changed);
  return changes.empty() ? changes : " This changes what the lookup finds: " + changes + ".";
}

// A page of markup (a server's folder listing or error page, fetched from a wrong
// address) rather than a manifest: its first character other than blanks, line breaks and
// a UTF-8 byte-order mark is "<", which no manifest line begins with.
bool IsMarkup(const std::string& text) {
  std::size_t at = StartsWith(text, "\xEF\xBB\xBF") ? 3 : 0;
  at = text.find_first_not_of(" \t\v\f\r\n", at);
  return at != std::string::npos && text[at] == '<';
}

// What a reader of the manifest may not see as the program reads it, one finding per line:
// a zero byte, after which the download drops the rest of its piece (line end included),
// and a lone CR among other line ends, which ends a line for the program and for an editor
// but not for a diff, a review or a web page, where a section can hide behind a comment.
std::vector<ManifestFinding> HiddenBytes(const std::string& manifest) {
  std::vector<ManifestFinding> findings = {};
  const bool otherLineEnds = manifest.find('\n') != std::string::npos;
  std::size_t line = 1;
  std::size_t zeroFoundOn = 0;
  for (std::size_t at = 0; at < manifest.size();) {
    const std::size_t end = LineEndLength(manifest, at);
    if (end == 0) {
      if (manifest[at] == '\0' && zeroFoundOn != line) {
        zeroFoundOn = line;
        findings.push_back(ManifestFinding{
            line, kZeroByte,
            "The line holds a zero byte: the program drops it and the rest of the line, up to "
            "1,022 characters and its line end included, so what follows joins this line; a "
            "program built with a key refuses the manifest.",
            "Remove the zero byte."});
      }
      ++at;
      continue;
    }
    if (end == 1 && manifest[at] == '\r' && otherLineEnds)
      findings.push_back(ManifestFinding{
          line, kLoneCr,
          "A carriage return without a line feed ends this line: the program reads what "
          "follows as the next line, but a diff or a review shows both as one line, so what "
          "the program reads there can pass unseen.",
          "End the line as the others end, or remove the carriage return."});
    ++line;
    at += end;
  }
  return findings;
}

// The manifest read line by line, with the section each line belongs to as the lookup
// meets it.
struct Reading {
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  const std::string& manifest;
  std::vector<Line> lines = {};
  // Where each header stands (indices into lines, rising), for repetitions and targets.
  std::unordered_map<std::string, std::vector<std::size_t>> headers = {};
  std::vector<ManifestFinding> findings = {};

  // The section the line being read belongs to: the index of its header line, or none;
  // and whether its first FileArgs or Sections line, the one on endedBy, has been passed.
  std::size_t section = kNone;
  bool sectionEnded = false;
  std::size_t endedBy = 0;

  // Whether a lookup of the current section reads the line being read.
  bool Reached() const { return section != kNone && !sectionEnded; }

  void Open(std::size_t index) {
    section = index;
    sectionEnded = false;
  }

  // A FileArgs or Sections line on lineNumber: every lookup of the section stops there.
  void EndSection(std::size_t lineNumber) {
    if (!Reached())
      return;
    sectionEnded = true;
    endedBy = lineNumber;
  }

  void Add(std::size_t line, const char* kind, std::string message, std::string fix) {
    findings.push_back(ManifestFinding{line, kind, std::move(message), std::move(fix)});
  }
};

// One rule: the findings of one kind on the line at index i, added to the reading.
using Rule = void (*)(Reading& reading, std::size_t i);

void HeaderOnFirstLineRule(Reading& r, std::size_t i) {
  const Line& line = r.lines[i];
  if (!IsHeader(line.text))
    return;
  const std::string fixed = WithLineChanged(
      r.manifest, line.number, [](const std::string& raw) { return kCommentLine + raw; });
  r.Add(line.number, kHeaderOnFirstLine,
        "The first line is never read, so the header " + line.text + " opens no section.",
        "Put a comment line such as \"; update manifest\" above it." +
            EffectNote(r.manifest, fixed, line.text));
}

void HeaderBlanksRule(Reading& r, std::size_t i) {
  const Line& line = r.lines[i];
  const std::string trouble = BlankTrouble(line.text);
  if (!trouble.empty())
    r.Add(line.number, kHeaderBlanks,
          "The header " + line.text + " has " + trouble +
              ": the program builds headers with single blanks, so no product matches it.",
          "Write it as \"[Name Version]\" or \"[Name Version locale]\" with single blanks.");
}

void DuplicateHeaderRule(Reading& r, std::size_t i) {
  const Line& line = r.lines[i];
  const std::size_t earliest = r.headers[FoldedHeader(line.text)].front();
  if (earliest < i)
    r.Add(line.number, kDuplicateHeader,
          "The header " + line.text + " already stands on line " +
              std::to_string(r.lines[earliest].number) +
              "; this section is read only when that one has no FileArgs and no Sections.",
          "Keep one section per header and merge the two.");
}

// A key line outside every section, or after the line that ends every lookup of it.
void UnreachableLineRule(Reading& r, std::size_t i) {
  if (r.Reached())
    return;
  const bool outside = r.section == Reading::kNone;
  const std::string why =
      outside ? "it stands before the first section header that the program reads"
              : "line " + std::to_string(r.endedBy) + " ends every lookup of this section";
  r.Add(r.lines[i].number, kUnreachableLine, "No lookup reaches this line: " + why + ".",
        outside ? "Move it below the header of its section."
                : "Move it above line " + std::to_string(r.endedBy) + ", or remove it.");
}

// A key in another letter case, where a lookup reads it (elsewhere the line is unreachable
// whatever its case).
void KeyLetterCaseRule(Reading& r, std::size_t i) {
  if (!r.Reached())
    return;
  const Line& line = r.lines[i];
  const std::string key = StartsWithOtherCase(line.text, kFileArgsKey) ? kFileArgsKey : kSectionsKey;
  const std::string fixed = WithLineChanged(r.manifest, line.number, [&key](std::string raw) {
    return raw.replace(raw.find_first_not_of(" \t\v\f"), key.size(), key);
  });
  std::string effect = EffectNote(r.manifest, fixed, r.lines[r.section].text);
  if (!effect.empty())
    effect += " If the line is meant to be ignored, make it a comment (\";\") instead.";
  r.Add(line.number, kKeyLetterCase,
        "\"" + line.text.substr(0, key.size()) + "\" is not a key: only \"" + key +
            "\" in this letter case counts, so the line is ignored.",
        "Write \"" + key + "\"." + effect);
}

void FileArgsValueRule(Reading& r, std::size_t i) {
  const Line& line = r.lines[i];
  if (line.text.find('=') == std::string::npos) {
    r.Add(line.number, kFileArgsWithoutEquals,
          "The line has no \"=\", so its value is the whole line, which is no address.",
          "Write \"FileArgs=http://...\".");
    return;
  }
  const std::string value(ManifestValue(line.text));
  if (value.empty())
    r.Add(line.number, kEmptyFileArgs,
          "An empty FileArgs ends the lookup here with no page: no update is offered, "
          "and later lines of the section are not read.",
          "Give the page address, or remove the line.");
  else if (!IsUpdatePage(value))
    r.Add(line.number, kFileArgsNotHttp,
          "The page " + value + " is not an " + AcceptedSchemesText() +
              " address the program offers (" + WhyNotUpdatePage(value) +
              "): the program treats it as no update.",
          "Give an absolute " + AcceptedSchemesText("://") + " address of at most " +
              std::to_string(kMaxUpdatePageLength) + " characters.");
}

void RedirectTargetRule(Reading& r, std::size_t i) {
  if (!r.Reached())
    return;
  const Line& line = r.lines[i];
  const std::string target = RedirectionHeader(line.text);
  const auto found = r.headers.find(FoldedHeader(target));
  const bool below = found != r.headers.end() && found->second.back() > i;
  const bool above = found != r.headers.end() && found->second.front() < i;
  if (!below)
    r.Add(line.number, kRedirectTargetMissing,
          "The redirection to " + target + " finds nothing: " +
              (above ? "that header stands above this line, and the manifest is read "
                       "only downwards."
                     : "no such header follows."),
          above ? "Move the section " + target + " below this line."
                : "Add a section " + target + " below this line, or correct the name.");
}

// The kinds of line the lookup tells apart.
enum class LineKind { kFirst, kNothing, kHeader, kKeyInOtherCase, kFileArgs, kSections, kOther };

LineKind KindOf(const Line& line) {
  const std::string& text = line.text;
  if (line.first)
    return LineKind::kFirst;
  if (MeansNothing(text))
    return LineKind::kNothing;
  if (IsHeader(text))
    return LineKind::kHeader;
  if (StartsWithOtherCase(text, kFileArgsKey) || StartsWithOtherCase(text, kSectionsKey))
    return LineKind::kKeyInOtherCase;
  if (StartsWith(text, kFileArgsKey))
    return LineKind::kFileArgs;
  if (StartsWith(text, kSectionsKey))
    return LineKind::kSections;
  return LineKind::kOther;
}

// The rules for each kind of line (in the order of LineKind), each kind's in the order
// their findings appear on one line.
const std::vector<Rule> kRules[] = {
    /* kFirst */ {HeaderOnFirstLineRule},
    /* kNothing */ {},
    /* kHeader */ {HeaderBlanksRule, DuplicateHeaderRule},
    /* kKeyInOtherCase */ {UnreachableLineRule, KeyLetterCaseRule},
    /* kFileArgs */ {UnreachableLineRule, FileArgsValueRule},
    /* kSections */ {UnreachableLineRule, RedirectTargetRule},
    /* kOther */ {UnreachableLineRule},
};

}  // namespace

std::vector<ManifestFinding> CheckManifest(const std::string& manifest) {
  // Its lines would give one finding each, all beside the point.
  if (IsMarkup(manifest))
    return {ManifestFinding{1, kNotAManifest,
                            "This is a page of HTML or XML (it begins with \"<\"), not an "
                            "update manifest: most likely a server's folder listing or error "
                            "page, or the wrong file.",
                            "Give the address or file of the manifest itself."}};
  Reading reading{manifest};
  ForEachManifestLine(manifest, [&reading](std::size_t number, std::string_view text) {
    reading.lines.push_back(Line{number, std::string(text), reading.lines.empty()});
  });
  for (std::size_t i = 1; i < reading.lines.size(); ++i) {
    if (IsHeader(reading.lines[i].text))
      reading.headers[FoldedHeader(reading.lines[i].text)].push_back(i);
  }
  for (std::size_t i = 0; i < reading.lines.size(); ++i) {
    const LineKind kind = KindOf(reading.lines[i]);
    if (kind == LineKind::kHeader)
      reading.Open(i);
    for (Rule rule : kRules[static_cast<std::size_t>(kind)])
      rule(reading, i);
    if (kind == LineKind::kFileArgs || kind == LineKind::kSections)
      reading.EndSection(reading.lines[i].number);
  }
  // Each finding was added at the line being read, so they are in line order already; the
  // hidden bytes join them in order.
  std::vector<ManifestFinding> findings = std::move(reading.findings);
  const std::vector<ManifestFinding> hidden = HiddenBytes(manifest);
  findings.insert(findings.end(), hidden.begin(), hidden.end());
  std::stable_sort(findings.begin(), findings.end(),
                   [](const ManifestFinding& a, const ManifestFinding& b) { return a.line < b.line; });
  return findings;
}

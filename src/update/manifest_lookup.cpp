#include "update/manifest_lookup.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/text.h"

// Manifests run to tens of megabytes, so the lookup reads the lines where they stand: no
// line is copied, and only the result and a redirection's new header are allocated.

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first]))
    ++first;
  std::size_t last = text.size();
  while (last > first && IsBlank(text[last - 1]))
    --last;
  return text.substr(first, last - first);
}

// The lines of a text, each ended by a run of line breaks, so that no line is empty. The
// next CR and the next LF are remembered apart and searched for again only once passed:
// a text that uses only one of them is then not searched to its end for the other on
// every line. With kCountLines, it also counts the line ends an editor would see, so that
// a report can name lines; the lookup itself does not pay for that.
template <bool kCountLines>
class ManifestLines {
public:
  explicit ManifestLines(std::string_view text)
      : m_text(text), m_nextCr(Find('\r', 0)), m_nextLf(Find('\n', 0)) {}

  // The next line, untrimmed; false after the last.
  bool Next(std::string_view& line) {
    // Each line end an editor counts (CR LF, LF, a lone CR) is one more line.
    for (std::size_t end; (end = LineEndLength(m_text, m_pos)) != 0; m_pos += end) {
      if (kCountLines)
        ++m_lineNumber;
    }
    if (m_pos == m_text.size())
      return false;
    if (m_nextCr < m_pos)
      m_nextCr = Find('\r', m_pos);
    if (m_nextLf < m_pos)
      m_nextLf = Find('\n', m_pos);
    const std::size_t end = std::min(m_nextCr, m_nextLf);
    line = m_text.substr(m_pos, end - m_pos);
    m_pos = end;
    return true;
  }

  // The number of the line Next gave last (with kCountLines only).
  std::size_t LineNumber() const { return m_lineNumber; }

private:
  // The position of the first c at or after from, or the end of the text.
  std::size_t Find(char c, std::size_t from) const {
    const void* found = std::memchr(m_text.data() + from, c, m_text.size() - from);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - m_text.data())
                 : m_text.size();
  }

  std::string_view m_text;
  std::size_t m_pos = 0;
  std::size_t m_nextCr;
  std::size_t m_nextLf;
  std::size_t m_lineNumber = 1;
};

// The plain lookup's observer: nothing counted, nothing reported, all of it inlined away.
struct SilentObserver {
  static constexpr bool kCountLines = false;
  void Report(LookupEvent, std::size_t, std::string_view) {}
};

// Hands the pass to a ManifestLookupObserver.
struct ReportingObserver {
  static constexpr bool kCountLines = true;
  ManifestLookupObserver& target;
  void Report(LookupEvent event, std::size_t line, std::string_view text) {
    target.OnLookupEvent(event, line, text);
  }
};

template <class Observer>
std::string FindFileArgsPass(const std::string& productName, const std::string& versionKey,
                             const std::string& manifest, Observer& observer) {
  std::string wantedHeader = SectionHeader(productName, versionKey);
  bool sectionOpen = false;

  // One pass over the text, top to bottom; the first line is never examined.
  ManifestLines<Observer::kCountLines> lines(manifest);
  std::string_view line;
  if (!lines.Next(line))
    return std::string();
  observer.Report(LookupEvent::kFirstLine, lines.LineNumber(), TrimBlanks(line));
  while (lines.Next(line)) {
    line = TrimBlanks(line);
    if (line.empty() || line[0] == ';')
      continue;  // only blanks, or a comment: means nothing
    if (IsManifestHeader(line, wantedHeader)) {
      sectionOpen = true;
      observer.Report(LookupEvent::kHeaderOpened, lines.LineNumber(), line);
      continue;
    }
    if (line[0] == '[') {
      if (sectionOpen)
        observer.Report(LookupEvent::kSectionClosed, lines.LineNumber(), line);
      sectionOpen = false;
      continue;
    }
    if (!sectionOpen)
      continue;
    if (StartsWith(line, kFileArgsKey)) {
      const std::string_view value = ManifestValue(line);
      observer.Report(LookupEvent::kFileArgs, lines.LineNumber(), value);
      return std::string(value);
    }
    if (StartsWith(line, kSectionsKey)) {
      wantedHeader = RedirectionHeader(line);
      sectionOpen = false;
      observer.Report(LookupEvent::kRedirect, lines.LineNumber(), wantedHeader);
    }
  }
  return std::string();
}

}  // namespace

std::string SectionHeader(const std::string& productName, const std::string& versionKey) {
  return "[" + productName + " " + versionKey + "]";
}

bool IsManifestHeader(std::string_view line, std::string_view wantedHeader) {
  return EqualsNoCase(line, wantedHeader);
}

std::string_view ManifestValue(std::string_view line) {
  const auto equals = line.find('=');
  return TrimBlanks(equals == std::string_view::npos ? line : line.substr(equals + 1));
}

std::string RedirectionHeader(std::string_view sectionsLine) {
  const std::string_view target = ManifestValue(sectionsLine);
  std::string header;
  header.reserve(target.size() + 2);
  header += '[';
  header += target;
  header += ']';
  return header;
}

std::string FindFileArgs(const std::string& productName, const std::string& versionKey,
                         const std::string& manifest) {
  SilentObserver observer;
  return FindFileArgsPass(productName, versionKey, manifest, observer);
}

std::string FindFileArgs(const std::string& productName, const std::string& versionKey,
                         const std::string& manifest, ManifestLookupObserver& observer) {
  ReportingObserver reporting{observer};
  return FindFileArgsPass(productName, versionKey, manifest, reporting);
}

void ForEachManifestLine(
    const std::string& manifest,
    const std::function<void(std::size_t line, std::string_view text)>& visit) {
  ManifestLines<true> lines(manifest);
  std::string_view line;
  while (lines.Next(line))
    visit(lines.LineNumber(), TrimBlanks(line));
}

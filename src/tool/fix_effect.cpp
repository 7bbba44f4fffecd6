#include "tool/fix_effect.h"

#include <map>
#include <set>
#include <string_view>
#include <utility>

#include "platform/text.h"
#include "update/manifest_lookup.h"

namespace {

// The headers whose lookups can reach the section of header in manifest: header itself
// and, until no more are found, each header whose section has a Sections line naming one
// already found. Keys are lower-cased, as the lookup compares headers; values as written.
std::map<std::string, std::string> HeadersReaching(const std::string& manifest,
                                                   const std::string& header) {
  std::map<std::string, std::set<std::string>> redirects;  // header -> its targets
  std::map<std::string, std::string> written;
  std::string current;
  bool first = true;  // the first line the lookup meets, which it never reads
  ForEachManifestLine(manifest, [&](std::size_t, std::string_view text) {
    if (std::exchange(first, false))
      return;
    if (!text.empty() && text.front() == '[') {
      current = ToLower(std::string(text));
      written.emplace(current, std::string(text));
    } else if (!current.empty() && StartsWith(text, kSectionsKey)) {
      redirects[current].insert(ToLower(RedirectionHeader(text)));
    }
  });
  std::map<std::string, std::string> reaching{{ToLower(header), header}};
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [from, targets] : redirects) {
      if (reaching.count(from))
        continue;
      for (const std::string& target : targets) {
        if (reaching.count(target)) {
          reaching.emplace(from, written[from]);
          grew = true;
          break;
        }
      }
    }
  }
  return reaching;
}

std::string Shown(const std::string& value) {
  return value.empty() ? std::string("no page") : "\"" + value + "\"";
}

}  // namespace

std::string WithLineChanged(const std::string& manifest, std::size_t line,
                            const std::function<std::string(const std::string&)>& change) {
  std::size_t number = 1;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= manifest.size(); ++i) {
    const std::size_t end = LineEndLength(manifest, i);
    if (end == 0 && i < manifest.size())
      continue;
    if (number == line)
      return manifest.substr(0, start) + change(manifest.substr(start, i - start)) +
             manifest.substr(i);
    if (end == 0)
      break;
    ++number;
    i += end - 1;
    start = i + 1;
  }
  return manifest;
}

std::string DescribeChangedResults(const std::string& before, const std::string& after,
                                   const std::string& changed) {
  std::string changes;
  for (const auto& [folded, header] : HeadersReaching(after, changed)) {
    // The product name and version key as the lookup joins them: split at the last blank.
    const std::size_t blank = header.rfind(' ');
    if (header.size() < 3 || header.back() != ']' || blank == std::string::npos)
      continue;
    const std::string name = header.substr(1, blank - 1);
    const std::string key = header.substr(blank + 1, header.size() - blank - 2);
    const std::string was = FindFileArgs(name, key, before);
    const std::string will = FindFileArgs(name, key, after);
    if (was == will)
      continue;
    if (!changes.empty())
      changes += "; ";
    changes += header + " would give " + Shown(will) + " instead of " + Shown(was);
  }
  return changes;
}

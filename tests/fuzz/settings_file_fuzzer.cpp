// The settings file through its public operations: a document that parses is written
// back so that it parses again to the same lines and values, a stored value reads back
// before and after a write, and storing a value or adding a key keeps every other line.
//
// Input: three length bytes with a key path, a value name and data, then the file.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "platform/posix/settings_file.h"

namespace {

using platform::posix::IsValidKeyPath;
using platform::posix::SettingsDocument;

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t end = content.find('\n', start);
    lines.push_back(content.substr(start, end - start));
    start = end == std::string::npos ? content.size() : end + 1;
  }
  return lines;
}

// The lines of before, in order, within after: at most one of them replaced and at most
// `added` lines put in.
bool KeepsLines(const std::vector<std::string>& before, const std::vector<std::string>& after,
                std::size_t added) {
  if (after.size() == before.size()) {
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
      changed += before[i] != after[i];
    return changed <= 1;
  }
  if (after.size() < before.size() || after.size() - before.size() > added)
    return false;
  std::size_t at = 0;
  for (const std::string& line : after) {
    if (at < before.size() && before[at] == line)
      ++at;
  }
  return at == before.size();
}

// Whether the value exists, and its data.
std::pair<bool, std::string> ValueOf(const SettingsDocument& document, const std::string& key,
                                     const std::string& name) {
  std::string data;
  const bool found = document.FindValue(key, name, data);
  return {found, data};
}

// Written and read again, the document keeps its lines and what they hold.
void CheckWrittenBack(const SettingsDocument& document, const std::string& key,
                      const std::string& name) {
  const std::string content = document.Serialize();
  SettingsDocument again;
  KWU_FUZZ_CHECK(again.Parse(content));
  // Byte for byte: a line that ends in CR before its line end keeps that CR, however often
  // the file is written.
  KWU_FUZZ_CHECK(again.Serialize() == content);
  KWU_FUZZ_CHECK(ValueOf(again, key, name) == ValueOf(document, key, name));
  KWU_FUZZ_CHECK(again.HasKey(key) == document.HasKey(key));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputCutter input(data, size);
  const std::string key = input.ShortText(32);
  const std::string name = input.ShortText(16);
  const std::string value = input.ShortText(16);
  const std::string content = input.Rest();

  SettingsDocument document;
  if (!document.Parse(content)) {
    KWU_FUZZ_CHECK(document.Serialize().empty());
    return 0;
  }
  CheckWrittenBack(document, key, name);
  if (!IsValidKeyPath(key))
    return 0;

  // Adding a key adds its header, and a blank line before it, and nothing else.
  const std::vector<std::string> original = Lines(document.Serialize());
  SettingsDocument withKey = document;
  const bool hadKey = document.HasKey(key);
  KWU_FUZZ_CHECK(withKey.AddKey(key) == !hadKey);
  KWU_FUZZ_CHECK(withKey.HasKey(key));
  KWU_FUZZ_CHECK(KeepsLines(original, Lines(withKey.Serialize()), hadKey ? 0 : 2));
  CheckWrittenBack(withKey, key, name);

  // A stored value reads back at once and after a write, and only its own line changes
  // (or its line, and a section for it, are added).
  document.SetValue(key, name, value);
  std::string found;
  KWU_FUZZ_CHECK(document.FindValue(key, name, found) && found == value);
  KWU_FUZZ_CHECK(KeepsLines(original, Lines(document.Serialize()), 3));
  CheckWrittenBack(document, key, name);
  return 0;
}

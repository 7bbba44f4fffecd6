#include "update/manifest_lookup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "../support/random_manifest.h"
#include "worked_example.h"

namespace {

struct ExampleRow {
  const char* name;
  const char* versionKey;
  const char* result;
};

const ExampleRow kExampleRows[] = {
    {"App", "7.0 en", "http://server/app70-en.html"},
    {"APP", "7.0 EN", "http://server/app70-en.html"},
    {"App", "7.0 de", "http://server/app70.html"},
    {"App", "7.0 fr", ""},
    {"App", "7.0", "http://server/app70.html"},
    {"App", "6.0", ""},
    {"App", "5.0", "http://server/app55.html"},
    {"App", "5.5", "http://server/app55.html"},
};

// The lookup with a manifest whose first line is a comment and the given further lines.
std::string Find(const std::string& versionKey, const std::vector<std::string>& lines) {
  std::vector<std::string> all = {"; manifest"};
  all.insert(all.end(), lines.begin(), lines.end());
  return FindFileArgs("App", versionKey, Join(all, "\n"));
}

}  // namespace

TEST(FindFileArgs, WorkedExampleWithEveryKindOfLineEnd) {
  for (const char* lineEnd : {"\r\n", "\n", "\r", "\n\n\r\n"}) {
    const std::string manifest = Join(WorkedExampleLines(), lineEnd);
    for (const auto& row : kExampleRows) {
      EXPECT_EQ(FindFileArgs(row.name, row.versionKey, manifest), row.result)
          << row.name << " " << row.versionKey << " with line end "
          << testing::PrintToString(lineEnd);
    }
  }
}

TEST(FindFileArgs, WorkedExampleWithoutItsLastLineEndAndWithBlankLines) {
  std::string manifest = Join(WorkedExampleLines(), "\r\n  \r\n");
  manifest.erase(manifest.size() - 6);  // no line end after the last line
  for (const auto& row : kExampleRows)
    EXPECT_EQ(FindFileArgs(row.name, row.versionKey, manifest), row.result) << row.versionKey;
}

TEST(FindFileArgs, TheFirstLineIsNeverExamined) {
  const std::vector<std::string> withoutComment(WorkedExampleLines().begin() + 1,
                                                WorkedExampleLines().end());
  EXPECT_EQ(FindFileArgs("App", "7.0 en", Join(withoutComment, "\n")), "");
  // Leading line breaks do not make an empty first line: the header is still the first.
  EXPECT_EQ(FindFileArgs("App", "7.0 en", "\r\n\n" + Join(withoutComment, "\n")), "");
  // A first line of blanks still counts as the first line.
  EXPECT_EQ(FindFileArgs("App", "7.0 en", "   \n" + Join(withoutComment, "\n")),
            "http://server/app70-en.html");
  EXPECT_EQ(FindFileArgs("App", "7.0 en", " \t \r\n" + Join(withoutComment, "\r\n")),
            "http://server/app70-en.html");
}

TEST(FindFileArgs, ManifestsWithoutASecondLineGiveNothing) {
  EXPECT_EQ(FindFileArgs("App", "7.0", ""), "");
  EXPECT_EQ(FindFileArgs("App", "7.0", "\r\n\n\r\r\n"), "");
  EXPECT_EQ(FindFileArgs("App", "7.0", "[App 7.0]"), "");
  EXPECT_EQ(FindFileArgs("App", "7.0", "[App 7.0]\r\n"), "");
  EXPECT_EQ(FindFileArgs("App", "7.0", "; only\n   \n\t\n"), "");
}

TEST(FindFileArgs, HeadersMatchWholeIgnoringCaseWithExactBlanks) {
  EXPECT_EQ(Find("7.0", {"  \t[App 7.0]\t ", "FileArgs=http://a/"}), "http://a/");
  EXPECT_EQ(Find("7.0", {"[app 7.0]", "FileArgs=http://a/"}), "http://a/");
  EXPECT_EQ(Find("7.0", {"[App  7.0]", "FileArgs=http://a/"}), "");
  EXPECT_EQ(Find("7.0", {"[App 7.0 ]", "FileArgs=http://a/"}), "");
  EXPECT_EQ(Find("7.0", {"[App 7.0] ; note", "FileArgs=http://a/"}), "");
  EXPECT_EQ(Find("7.0", {"[App\t7.0]", "FileArgs=http://a/"}), "");
  EXPECT_EQ(Find("7.0", {"[App 7.0", "FileArgs=http://a/"}), "");
  // A version key of 7.0 does not match a section of 7.0 en, nor the other way round.
  EXPECT_EQ(Find("7.0", {"[App 7.0 en]", "FileArgs=http://a/"}), "");
  EXPECT_EQ(Find("7.0 en", {"[App 7.0]", "FileArgs=http://a/"}), "");
}

TEST(FindFileArgs, KeysAreCaseSensitivePrefixesAndTheFirstFileArgsWins) {
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "FILEARGS=http://a/", "FileArgs=http://b/"}), "http://b/");
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "FileArgsOld=http://old/", "FileArgs=http://b/"}),
            "http://old/");
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "FileArgs=http://a/", "FileArgs=http://b/"}), "http://a/");
  // Nothing after "=" ends the lookup with the empty text.
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "FileArgs=  ", "FileArgs=http://b/"}), "");
  // Without "=", the whole trimmed line is the value, key included.
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "  FileArgs http://a/  "}), "FileArgs http://a/");
  // Only the first "=" separates; ";" has no meaning inside a value.
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "FileArgs=http://server/page?x=1;y=2 ; c"}),
            "http://server/page?x=1;y=2 ; c");
  // FileArgs is tested before Sections.
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "FileArgsSections=http://a/"}), "http://a/");
  // Keys count only inside the wanted section.
  EXPECT_EQ(Find("7.0", {"FileArgs=http://outside/", "[App 7.0]", "FileArgs=http://a/"}),
            "http://a/");
  // Other lines inside the section are ignored.
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "Other=1", "=x", "FileArgs=http://a/"}), "http://a/");
}

TEST(FindFileArgs, CommentsAndHeadersAroundTheSection) {
  // A comment does not close the section, even one that looks like a header.
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "; [Other]", "  ;x", "FileArgs=http://a/"}), "http://a/");
  // A commented-out header opens nothing.
  EXPECT_EQ(Find("7.0", {";[App 7.0]", "FileArgs=http://a/"}), "");
  // Any other header closes it; a later repetition of the wanted one reopens it.
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "[Other]", "FileArgs=http://x/", "[APP 7.0]",
                         "FileArgs=http://again/"}),
            "http://again/");
  EXPECT_EQ(Find("7.0", {"[App 7.0]", "[", "FileArgs=http://x/"}), "");
}

TEST(FindFileArgs, RedirectionsGoOnlyDownwards) {
  // Chains succeed when each target lies below.
  EXPECT_EQ(Find("1", {"[App 1]", "Sections=App 2", "[App 2]", "Sections =  App 3 ", "[App 3]",
                       "FileArgs=http://three/"}),
            "http://three/");
  // Redirecting to the section it stands in closes it until its header comes again.
  EXPECT_EQ(Find("1", {"[App 1]", "Sections=App 1", "FileArgs=http://not-read/", "[App 1]",
                       "FileArgs=http://again/"}),
            "http://again/");
  EXPECT_EQ(Find("1", {"[App 1]", "Sections=App 1", "FileArgs=http://not-read/"}), "");
  // A target above the redirection is never seen again.
  EXPECT_EQ(Find("2", {"[App 1]", "FileArgs=http://one/", "[App 2]", "Sections=App 1"}), "");
  // Blanks inside the target stay as written; letter case does not matter.
  EXPECT_EQ(Find("1", {"[App 1]", "Sections=App  2", "[App 2]", "FileArgs=http://x/", "[app  2]",
                       "FileArgs=http://two-blanks/"}),
            "http://two-blanks/");
  // Without "=", the whole line names the target.
  EXPECT_EQ(Find("1", {"[App 1]", "Sections", "[Sections]", "FileArgs=http://s/"}), "http://s/");
  // A lower-case key does not redirect.
  EXPECT_EQ(Find("1", {"[App 1]", "sections=App 2", "FileArgs=http://one/", "[App 2]",
                       "FileArgs=http://two/"}),
            "http://one/");
}

TEST(FindFileArgs, BytesBeyondAsciiAreComparedUnchanged) {
  EXPECT_EQ(FindFileArgs("\xC4pp", "1", "; m\n[\xC4pp 1]\nFileArgs=http://a/\n"), "http://a/");
  EXPECT_EQ(FindFileArgs("\xE4pp", "1", "; m\n[\xC4pp 1]\nFileArgs=http://a/\n"), "");
  // A zero byte is an ordinary character of a line, not its end.
  EXPECT_EQ(FindFileArgs("App", "1", std::string("; m\n[App 1]\nFileArgs=a\0b\n", 25)),
            std::string("a\0b", 3));
}

namespace {

// The lookup rules written out as plainly as possible, for comparison with FindFileArgs.
namespace reference {

const char kBlanks[] = " \t\v\f";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!current.empty())
        lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty())
    lines.push_back(current);
  return lines;
}

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos)
    return std::string();
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool Begins(const std::string& text, const std::string& prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string ValueOf(const std::string& line) {
  const auto equals = line.find('=');
  return TrimBlanks(equals == std::string::npos ? line : line.substr(equals + 1));
}

std::string FindFileArgs(const std::string& name, const std::string& versionKey,
                         const std::string& manifest) {
  std::string wanted = "[" + name + " " + versionKey + "]";
  bool open = false;
  const std::vector<std::string> lines = SplitLines(manifest);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string line = TrimBlanks(lines[i]);
    if (line.empty() || line[0] == ';')
      continue;
    if (Lower(line) == Lower(wanted)) {
      open = true;
    } else if (line[0] == '[') {
      open = false;
    } else if (open && Begins(line, "FileArgs")) {
      return ValueOf(line);
    } else if (open && Begins(line, "Sections")) {
      wanted = "[" + ValueOf(line) + "]";
      open = false;
    }
  }
  return std::string();
}

}  // namespace reference

struct Query {
  const char* name;
  const char* versionKey;
};
const Query kQueries[] = {{"App", "1"}, {"APP", "1"},  {"App", "1 en"}, {"App", "2"},
                          {"app", "3"}, {"App", " 1"}, {"App", "1 "},   {"App", ""}};

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      case '\t': escaped += "\\t"; break;
      case '\v': escaped += "\\v"; break;
      case '\f': escaped += "\\f"; break;
      case '\0': escaped += "\\0"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
const int kRandomManifests = 300000;
#else
const int kRandomManifests = 20000;  // sanitised debug builds are many times slower
#endif

}  // namespace

TEST(FindFileArgs, AgreesWithThePlainRulesOnRandomManifests) {
  std::mt19937 random(20261208);
  int found = 0;
  for (int i = 0; i < kRandomManifests; ++i) {
    const std::string manifest = test::RandomManifest(random);
    const Query& query = kQueries[random() % (sizeof kQueries / sizeof kQueries[0])];
    const std::string expected = reference::FindFileArgs(query.name, query.versionKey, manifest);
    const std::string actual = FindFileArgs(query.name, query.versionKey, manifest);
    ASSERT_EQ(actual, expected) << "case " << i << ": [" << query.name << " " << query.versionKey
                                << "] in \"" << Escaped(manifest) << "\"";
    if (!expected.empty())
      ++found;
  }
  // The manifests must reach into the sections often enough for the comparison to mean
  // something, not only agree on the empty text.
  EXPECT_GT(found, kRandomManifests / 50);
}

// The manifest makers' tool: the lookup's report of its pass, the findings, and the
// explanation of the program's decision.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tool/fix_effect.h"
#include "tool/json_writer.h"
#include "tool/manifest_tool.h"
#include "tool/manifest_check.h"
#include "tool/tool_output.h"
#include "tool/update_explain.h"
#include "update/manifest_lookup.h"

#include "../support/random_manifest.h"
#include "test_folder.h"
#include "worked_example.h"

namespace {

// The steps of one lookup as "line:event:text" words.
std::vector<std::string> Steps(const std::string& name, const std::string& key,
                               const std::string& manifest, std::string* value = nullptr) {
  class Recorder : public ManifestLookupObserver {
  public:
    std::vector<std::string> steps;
    void OnLookupEvent(LookupEvent event, std::size_t line, std::string_view text) override {
      const char* const names[] = {"first", "opened", "closed", "redirect", "fileargs"};
      steps.push_back(std::to_string(line) + ":" + names[static_cast<int>(event)] + ":" +
                      std::string(text));
    }
  } recorder;
  const std::string result = FindFileArgs(name, key, manifest, recorder);
  if (value)
    *value = result;
  return recorder.steps;
}

using Strings = std::vector<std::string>;

TEST(LookupObserver, ReportsTheWorkedExampleLineByLine) {
  const std::string manifest = Join(WorkedExampleLines(), "\r\n");
  EXPECT_EQ(Steps("App", "7.0 en", manifest),
            (Strings{"1:first:; update manifest", "2:opened:[App 7.0 en]",
                     "3:fileargs:http://server/app70-en.html"}));
  EXPECT_EQ(Steps("App", "7.0 de", manifest),
            (Strings{"1:first:; update manifest", "4:opened:[App 7.0 de]", "5:redirect:[App 7.0]",
                     "7:opened:[App 7.0]", "10:fileargs:http://server/app70.html"}));
  EXPECT_EQ(Steps("App", "7.0", manifest),
            (Strings{"1:first:; update manifest", "7:opened:[App 7.0]",
                     "10:fileargs:http://server/app70.html"}));
  EXPECT_EQ(Steps("App", "6.0", manifest),
            (Strings{"1:first:; update manifest", "11:opened:[App 6.0]", "12:redirect:[App 7.0]"}));
  EXPECT_EQ(Steps("App", "5.0", manifest),
            (Strings{"1:first:; update manifest", "13:opened:[App 5.0]", "14:redirect:[App 5.5]",
                     "15:opened:[App 5.5]", "16:fileargs:http://server/app55.html"}));
  // A header that is not the wanted one ends the open section.
  EXPECT_EQ(Steps("App", "7.0 fr", Join({"; m", "[App 7.0 fr]", "Other=1", "[App 8.0]"})),
            (Strings{"1:first:; m", "2:opened:[App 7.0 fr]", "4:closed:[App 8.0]"}));
}

TEST(LookupObserver, NumbersLinesAsAnEditorDoes) {
  // LF, CR LF and a lone CR each end a line; empty lines count although the lookup skips
  // them, and so do leading line ends before the first line.
  const std::string manifest =
      "\n; first\r\n\r\n[App 1]\r\rFileArgs=x\n\nSections=y\r\n[App 2]\rFileArgs=http://h/";
  EXPECT_EQ(Steps("App", "1", manifest),
            (Strings{"2:first:; first", "4:opened:[App 1]", "6:fileargs:x"}));
  std::string value;
  EXPECT_EQ(Steps("App", "2", manifest, &value),
            (Strings{"2:first:; first", "9:opened:[App 2]", "10:fileargs:http://h/"}));
  EXPECT_EQ(value, "http://h/");

  std::vector<std::pair<std::size_t, std::string>> lines;
  ForEachManifestLine(manifest, [&lines](std::size_t line, std::string_view text) {
    lines.emplace_back(line, std::string(text));
  });
  const std::vector<std::pair<std::size_t, std::string>> expected = {
      {2, "; first"},    {4, "[App 1]"}, {6, "FileArgs=x"},
      {8, "Sections=y"}, {9, "[App 2]"}, {10, "FileArgs=http://h/"}};
  EXPECT_EQ(lines, expected);
}

TEST(LookupObserver, GivesTheSameResultAsThePlainLookup) {
  // Random manifests of the lookup's line kinds: the observed pass must not decide
  // differently from the one the program makes.
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    const std::string manifest = test::RandomManifest(random);
    for (const char* key : {"1", "1 en", "2"}) {
      std::string observed;
      Steps("App", key, manifest, &observed);
      ASSERT_EQ(observed, FindFileArgs("App", key, manifest)) << manifest << " / " << key;
    }
  }
}

// The kinds and lines of a manifest's findings, as "line:kind".
Strings Kinds(const Strings& lines) {
  Strings kinds;
  for (const ManifestFinding& finding : CheckManifest(Join(lines)))
    kinds.push_back(std::to_string(finding.line) + ":" + finding.kind);
  return kinds;
}

struct TrapCase {
  std::string what;
  Strings withTrap;
  Strings expected;  // line:kind of the findings
  Strings withoutTrap;
};

// A line of the traps fixture with its escapes undone.
std::string Unescaped(const std::string& text) {
  std::string line;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '\\' || at + 1 == text.size()) {
      line += text[at];
      continue;
    }
    const char escape = text[++at];
    if (escape == 't') {
      line += '\t';
    } else if (escape == 's') {
      line += ' ';
    } else if (escape == 'x') {
      line += static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16));
      at += 2;
    } else if (escape == '*') {
      std::size_t digits = 0;
      const std::size_t count = std::stoul(text.substr(at + 1), &digits);
      at += digits;
      line.append(count - 1, line.back());
    } else {
      line += escape;
    }
  }
  return line;
}

std::vector<TrapCase> Traps() {
  std::ifstream fixture(KWU_TEST_FIXTURES_DIR "/manifests/traps.txt", std::ios::binary);
  std::vector<TrapCase> traps;
  std::string text;
  while (std::getline(fixture, text)) {
    const std::size_t space = text.find(' ');
    const std::string word = text.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
    if (word == "case")
      traps.push_back(TrapCase{rest, {}, {}, {}});
    else if (word == "trap")
      traps.back().withTrap.push_back(Unescaped(rest));
    else if (word == "finds")
      traps.back().expected.push_back(rest);
    else if (word == "clean")
      traps.back().withoutTrap.push_back(Unescaped(rest));
  }
  return traps;
}

TEST(CheckManifest, FindsEachTrapAndNothingWithoutIt) {
  const std::vector<TrapCase> traps = Traps();
  ASSERT_EQ(traps.size(), 20u) << "the traps fixture did not read";
  for (const TrapCase& trap : traps) {
    SCOPED_TRACE(trap.what);
    EXPECT_EQ(Kinds(trap.withTrap), trap.expected);
    EXPECT_EQ(Kinds(trap.withoutTrap), Strings{});
  }
}

TEST(CheckManifest, FindsTheWorkedExamplesTrapsOnTheirLines) {
  EXPECT_EQ(Kinds(WorkedExampleLines()),
            (Strings{"6:unreachable-line", "9:key-letter-case", "12:redirect-target-missing"}));
  // Each finding carries a reason and a fix for the reader.
  for (const ManifestFinding& finding : CheckManifest(Join(WorkedExampleLines()))) {
    EXPECT_FALSE(finding.message.empty());
    EXPECT_FALSE(finding.fix.empty());
  }
  // Line numbers are those of the file, blank lines and CR line ends included; a lone CR
  // among CR LF line ends is a finding of its own.
  Strings kinds;
  for (const ManifestFinding& finding :
       CheckManifest("; m\r\n\r\n[App 7.0]\r\rfileargs=http://h/a\r\n"))
    kinds.push_back(std::to_string(finding.line) + ":" + finding.kind);
  EXPECT_EQ(kinds, (Strings{"3:lone-cr", "4:lone-cr", "5:key-letter-case"}));
  EXPECT_EQ(CheckManifest("").size(), 0u);
}

TEST(FixEffect, ChangesOneLineAndNamesEveryLookupItChanges) {
  const auto upper = [](const std::string& line) { return "<" + line + ">"; };
  // Lines as an editor counts them, whatever ends them; the line ends stay.
  EXPECT_EQ(WithLineChanged("a\r\nb\rc\nd", 3, upper), "a\r\nb\r<c>\nd");
  EXPECT_EQ(WithLineChanged("a\r\n\r\nc", 2, upper), "a\r\n<>\r\nc");
  EXPECT_EQ(WithLineChanged("a\nb", 2, upper), "a\n<b>");
  EXPECT_EQ(WithLineChanged("a\nb", 3, upper), "a\nb");

  // Redirections lead downwards only: what redirects to [App 7.0] stands above it.
  const std::string before = Join({"; m", "[app 5.0]", "Sections=app 6.0", "[App 6.0]",
                                   "SECTIONS=App 7.0", "[App 7.0]", "fileargs=http://h/new",
                                   "FileArgs=http://h/old", "[App 4.0]", "FileArgs=http://h/four"});
  const std::string after = WithLineChanged(
      before, 7, [](const std::string&) { return std::string("FileArgs=http://h/new"); });
  // [App 6.0]'s redirection is no key, so only [App 7.0] and what redirects to it count.
  EXPECT_EQ(DescribeChangedResults(before, after, "[App 7.0]"),
            "[App 7.0] would give \"http://h/new\" instead of \"http://h/old\"");
  const std::string both =
      WithLineChanged(after, 5, [](const std::string&) { return std::string("Sections=App 7.0"); });
  EXPECT_EQ(DescribeChangedResults(after, both, "[App 6.0]"),
            "[app 5.0] would give \"http://h/new\" instead of no page; [App 6.0] would give "
            "\"http://h/new\" instead of no page");
  EXPECT_EQ(DescribeChangedResults(before, before, "[App 7.0]"), "");
}

TEST(ExplainUpdate, FollowsTheProductChecksOrder) {
  const std::string manifest =
      Join({"; m", "[App 7.0 en]", "FileArgs=https://h/en", "[App 7.0]", "FileArgs=http://h/all",
            "[App 7.0 de]", "FileArgs=http://h/de"});
  // The locale section's https page is rejected; the version section's page wins.
  UpdateExplanation english = ExplainUpdate("App", "7.0", "", manifest);
  EXPECT_EQ(english.locale, "en");
  EXPECT_EQ(english.localeLookup.header, "[App 7.0 en]");
  EXPECT_EQ(english.localeLookup.value, "https://h/en");
  EXPECT_FALSE(english.localeLookup.isHttp);
  EXPECT_EQ(english.localeLookup.fileArgsLine, 3u);
  EXPECT_TRUE(english.usedVersionLookup);
  EXPECT_EQ(english.versionLookup.fileArgsLine, 5u);
  EXPECT_EQ(english.page, "http://h/all");
  EXPECT_EQ(english.decidedBy, "version");
  EXPECT_TRUE(english.updateOffered);
  EXPECT_NE(DescribeExplanation(english).find("line 3: FileArgs gives \"https://h/en\""),
            std::string::npos);

  const UpdateExplanation german = ExplainUpdate("App", "7.0", "DE", manifest);
  EXPECT_EQ(german.locale, "de");
  EXPECT_EQ(german.decidedBy, "locale");
  EXPECT_EQ(german.page, "http://h/de");
  EXPECT_FALSE(german.usedVersionLookup);

  const UpdateExplanation none = ExplainUpdate("App", "6.0", "en", manifest);
  EXPECT_FALSE(none.updateOffered);
  EXPECT_EQ(none.decidedBy, "none");
  EXPECT_EQ(none.page, "");
}

// Runs the tool; its output to standard output and error after the exit code.
std::string RunTool(const Strings& arguments) {
  std::string out;
  std::string err;
  const int code = RunManifestTool(arguments, out, err);
  return std::to_string(code) + "\n" + out + (err.empty() ? "" : "err: " + err);
}

TEST(ManifestTool, RendersEachResultAsTextOrJson) {
  const test::TestFolder folder;
  const std::string path = folder.Path("m.ini");
  test::WriteFile(path, Join({"; m", "[App 7.0]", "fileargs=http://h/a", "FileArgs=http://h/b"}));
  const std::string finding =
      "\"fileargs\" is not a key: only \"FileArgs\" in this letter case counts, so the line is "
      "ignored.";
  // Written so, line 3 would win over line 4: the fix says what it changes.
  const std::string kChanges =
      " This changes what the lookup finds: [App 7.0] would give \"http://h/a\" instead of "
      "\"http://h/b\". If the line is meant to be ignored, make it a comment (\";\") instead.";
  EXPECT_EQ(RunTool({"check", path}),
            "1\nsource: " + path + "\nread: 54 bytes\nline 3: key-letter-case: " + finding +
                "\n  fix: Write \"FileArgs\"." + kChanges + "\n1 finding(s)\n");
  const std::string source = "{\"name\":\"" + path +
                             "\",\"kind\":\"file\",\"usable\":true,\"error\":\"\",\"status\":null,"
                             "\"location\":null,\"bytes\":54}";
  EXPECT_EQ(RunTool({"--json", "check", path}),
            "1\n{\"command\":\"check\",\"source\":" + source +
                ",\"findings\":[{\"line\":3,\"kind\":\"key-letter-case\",\"message\":"
                "\"\\\"fileargs\\\" is "
                "not a key: only \\\"FileArgs\\\" in this letter case counts, so the line is "
                "ignored.\",\"fix\":\"Write \\\"FileArgs\\\". This changes what the lookup "
                "finds: [App 7.0] would give \\\"http://h/a\\\" instead of "
                "\\\"http://h/b\\\". If the line is meant to be ignored, make it a comment "
                "(\\\";\\\") instead.\"}]}\n");
  EXPECT_EQ(RunTool({"explain", path, "App", "7.0", "DE", "--json"}).substr(0, 2), "0\n");
  EXPECT_NE(RunTool({"explain", path, "App", "7.0"})
                .find("Result: update offered, page http://h/b "
                      "(from the version section)\n"),
            std::string::npos);
  EXPECT_EQ(RunTool({"--json", "products", path, folder.Path()}),
            "0\n{\"command\":\"products\",\"source\":" + source + ",\"pattern\":\"" +
                folder.Path("*.xml") + "\",\"files\":[]}\n");
  EXPECT_EQ(RunTool({"products", path, folder.Path()}),
            "0\nsource: " + path + "\nread: 54 bytes\nproduct files: " + folder.Path("*.xml") +
                "\nno product files\n");
  // A source that cannot be read is all there is to say, in either form.
  const std::string missing = folder.Path("missing.ini");
  EXPECT_EQ(RunTool({"explain", missing, "App", "7.0"}),
            "2\nsource: " + missing + "\nnot readable: the file does not open\n");
  EXPECT_EQ(RunTool({"products", missing, "--json"}),
            "2\n{\"command\":\"products\",\"source\":{\"name\":\"" + missing +
                "\",\"kind\":\"file\",\"usable\":false,\"error\":\"the file does not open\","
                "\"status\":null,\"location\":null,\"bytes\":0}}\n");
}

TEST(ManifestTool, ArgumentsThatDoNotFitPrintTheUsage) {
  const std::string usageError = "2\nerr: kavexwebupd-manifest: ";
  for (const Strings& arguments :
       {Strings{}, Strings{"--json"}, Strings{"frobnicate"}, Strings{"check"},
        Strings{"check", "a", "b"}, Strings{"explain", "a", "b"}, Strings{"products"},
        Strings{"explain", "a", "b", "c", "d", "e"}, Strings{"products", "a", "b", "c"}}) {
    const std::string result = RunTool(arguments);
    EXPECT_EQ(result.compare(0, usageError.size(), usageError), 0) << result;
    EXPECT_NE(result.find("Usage: kavexwebupd-manifest"), std::string::npos);
  }
  // --help anywhere answers it alone.
  EXPECT_EQ(RunTool({"check", "--help", "x"}), "0\n" + RunTool({"-h"}).substr(2));
  EXPECT_NE(RunTool({"-h"}).find("Usage: kavexwebupd-manifest [--json] COMMAND"),
            std::string::npos);
}

TEST(JsonWriter, WritesValidJsonForAnyBytes) {
  JsonWriter json;
  json.BeginObject();
  json.Key("a");
  json.String("q\"b\\\n\x01\xC3\xA4\xE4");
  json.Key("list");
  json.BeginArray();
  json.Number(3);
  json.Bool(false);
  json.Null();
  json.BeginObject();
  json.EndObject();
  json.EndArray();
  json.EndObject();
  EXPECT_EQ(json.Text(),
            "{\"a\":\"q\\\"b\\\\\\n\\u0001\xC3\xA4\\u00e4\",\"list\":[3,false,null,{}]}");
}

}  // namespace

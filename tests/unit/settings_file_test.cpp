#include "platform/posix/settings_file.h"

#include <gtest/gtest.h>

using platform::posix::IsValidKeyPath;
using platform::posix::SettingsDocument;

namespace {

const char kKey[] = "Software\\Kavex\\WebUpdates";

std::string Value(const SettingsDocument& document, const std::string& key,
                  const std::string& name) {
  std::string data;
  return document.FindValue(key, name, data) ? data : "<absent>";
}

}  // namespace

TEST(SettingsFile, ReadsHandWrittenVariants) {
  SettingsDocument document;
  ASSERT_TRUE(
      document.Parse("\xEF\xBB\xBF# written by hand\r\n"
                     "; another comment\r\n"
                     "\r\n"
                     "  [Software\\Kavex\\WebUpdates]  \r\n"
                     "\t\"URL\" =  \"http://example.com/misc/update.ini\"\r\n"
                     "@=\"default\"\r\n"
                     "\"LogFile\"=\"/tmp/log \\x41\\x4a\\x00tail\"\r\n"
                     "[Software\\Kavex\\WebUpdates\\RemindDates]\n"
                     "\"\"=\"empty name in quotes\"\n"
                     "\"raw\ttab\"=\"caf\xC3\xA9\""));  // no final line end
  EXPECT_EQ(Value(document, kKey, "URL"), "http://example.com/misc/update.ini");
  EXPECT_EQ(Value(document, kKey, ""), "default");
  EXPECT_EQ(Value(document, kKey, "LogFile"), std::string("/tmp/log AJ\0tail", 16));
  const std::string remind = std::string(kKey) + "\\RemindDates";
  EXPECT_EQ(Value(document, remind, ""), "empty name in quotes");
  EXPECT_EQ(Value(document, remind, "raw\ttab"), "caf\xC3\xA9");
  EXPECT_EQ(Value(document, kKey, "Missing"), "<absent>");
}

TEST(SettingsFile, RefusesWhatItDoesNotUnderstand) {
  const char* const broken[] = {
      "\"URL\"=\"before any key\"\n",
      "[Software\n",
      "[]x\n",
      "[Software\\\\Kavex]\n",
      "[\\Software]\n",
      "[Software\\]\n",
      "[Soft\x01ware]\n",
      "[Software]\nURL=\"unquoted name\"\n",
      "[Software]\n\"URL\"=\"unterminated\n",
      "[Software]\n\"URL\"=\"bad escape \\q\"\n",
      "[Software]\n\"URL\"=\"short hex \\x4\"\n",
      "[Software]\n\"URL\"=\"not hex \\xZZ\"\n",
      "[Software]\n\"URL\"=\"ends in a backslash\\\"\n",
      "[Software]\n\"URL\"=\"a\" trailing text\n",
      "[Software]\n\"URL\"=dword:00000001\n",
      "[Software]\n\"URL\"\n",
      "[Software]\n\"URL\" \"no equals\"\n",
  };
  for (const char* content : broken) {
    SettingsDocument document;
    EXPECT_FALSE(document.Parse(content)) << content;
    EXPECT_EQ(document.Serialize(), "") << content;
  }
}

TEST(SettingsFile, AwkwardNamesAndValuesRoundTrip) {
  const std::string awkward[] = {
      "",
      "=",
      "@",
      "\"",
      "\\",
      "\\x41",
      "a\nb",
      "a\r\nb",
      "\t",
      " lead and trail ",
      "[not a key]",
      "# not a comment",
      std::string("zero\0inside", 11),
      "\x7f\x01",
      "caf\xC3\xA9\xFF",
  };
  SettingsDocument document;
  for (const std::string& text : awkward)
    document.SetValue("Keys\\K", text, "data of " + text);
  document.SetValue(kKey, "value", std::string(awkward[12]) + awkward[14]);

  SettingsDocument reread;
  ASSERT_TRUE(reread.Parse(document.Serialize())) << document.Serialize();
  for (const std::string& text : awkward)
    EXPECT_EQ(Value(reread, "Keys\\K", text), "data of " + text) << text;
  EXPECT_EQ(Value(reread, kKey, "value"), std::string(awkward[12]) + awkward[14]);
  EXPECT_EQ(reread.Serialize(), document.Serialize());
}

TEST(SettingsFile, KeyPathsRoundTripAsWritten) {
  const std::string paths[] = {"",         "Software",          "a]b", "with \"quotes\"",
                               " spaced ", "caf\xC3\xA9\\\xFF", "#\\;"};
  SettingsDocument document;
  for (const std::string& path : paths)
    document.SetValue(path, "n", path);
  SettingsDocument reread;
  ASSERT_TRUE(reread.Parse(document.Serialize())) << document.Serialize();
  for (const std::string& path : paths) {
    EXPECT_TRUE(reread.HasKey(path)) << path;
    EXPECT_EQ(Value(reread, path, "n"), path);
  }
}

TEST(SettingsFile, NamesCompareWithoutRegardToLetterCase) {
  SettingsDocument document;
  ASSERT_TRUE(document.Parse("[Software\\Kavex\\WebUpdates]\n\"LogFile\"=\"old\"\n"));
  EXPECT_EQ(Value(document, "SOFTWARE\\kavex\\webupdates", "logfile"), "old");

  document.SetValue("software\\KAVEX\\WebUpdates", "LOGFILE", "new");
  // One line replaced, keeping the spelling the name and key were first written with.
  EXPECT_EQ(document.Serialize(), "[Software\\Kavex\\WebUpdates]\n\"LogFile\"=\"new\"\n");

  // Only ASCII letters fold: other bytes must match exactly.
  document.SetValue(kKey, "\xC3\xA9", "lower");
  EXPECT_EQ(Value(document, kKey, "\xC3\x89"), "<absent>");
}

TEST(SettingsFile, KeysExistWhenListedOrImpliedBySubkeys) {
  SettingsDocument document;
  ASSERT_TRUE(document.Parse("[Software\\Kavex\\WebUpdates\\RemindDates]\n"));
  EXPECT_TRUE(document.HasKey(""));
  EXPECT_TRUE(document.HasKey("software"));
  EXPECT_TRUE(document.HasKey("Software\\Kavex"));
  EXPECT_TRUE(document.HasKey("SOFTWARE\\KAVEX\\WEBUPDATES\\REMINDDATES"));
  EXPECT_FALSE(document.HasKey("Software\\Kav"));  // a prefix is not a parent
  EXPECT_FALSE(document.HasKey("Software\\Kavex\\WebUpdates\\RemindDates\\More"));

  EXPECT_FALSE(document.AddKey("Software\\Kavex"));  // exists already: nothing written
  EXPECT_TRUE(document.AddKey("Software\\Other"));
  EXPECT_EQ(document.Serialize(),
            "[Software\\Kavex\\WebUpdates\\RemindDates]\n\n[Software\\Other]\n");
}

TEST(SettingsFile, StoringAValueKeepsTheLayoutAndComments) {
  const std::string original =
      "# my settings\n"
      "[Software\\Kavex\\WebUpdates]\n"
      "\"URL\" = \"http://a/\"   \n"
      "\n"
      "; reminders below\n"
      "[Software\\Kavex\\WebUpdates\\RemindDates]\n"
      "\"App\"=\"01/06/2005\"\n";
  SettingsDocument document;
  ASSERT_TRUE(document.Parse(original));
  EXPECT_EQ(document.Serialize(), original);

  document.SetValue(kKey, "LogFile", "/tmp/log");
  document.SetValue("Software\\Kavex\\WebUpdates\\RemindDates", "App", "");
  document.SetValue("Software\\Kavex", "New", "x");  // implied only: gets a section
  EXPECT_EQ(document.Serialize(),
            "# my settings\n"
            "[Software\\Kavex\\WebUpdates]\n"
            "\"URL\" = \"http://a/\"   \n"
            "\"LogFile\"=\"/tmp/log\"\n"
            "\n"
            "; reminders below\n"
            "[Software\\Kavex\\WebUpdates\\RemindDates]\n"
            "\"App\"=\"\"\n"
            "\n"
            "[Software\\Kavex]\n"
            "\"New\"=\"x\"\n");
}

TEST(SettingsFile, ARepeatedNameReadsAndStoresAsItsLastOccurrence) {
  SettingsDocument document;
  ASSERT_TRUE(document.Parse("[K]\n\"A\"=\"first\"\n[k]\n\"a\"=\"second\"\n\"B\"=\"b\"\n"));
  EXPECT_EQ(Value(document, "K", "A"), "second");
  document.SetValue("K", "A", "third");
  EXPECT_EQ(Value(document, "K", "A"), "third");
  document.SetValue("K", "C", "c");  // joins the key's last section
  EXPECT_EQ(document.Serialize(),
            "[K]\n\"A\"=\"first\"\n[k]\n\"a\"=\"third\"\n\"B\"=\"b\"\n\"C\"=\"c\"\n");
}

TEST(SettingsFile, KeyPathRules) {
  EXPECT_TRUE(IsValidKeyPath(""));
  EXPECT_TRUE(IsValidKeyPath("Software\\Kavex\\WebUpdates"));
  EXPECT_TRUE(IsValidKeyPath("with space\\caf\xC3\xA9"));
  EXPECT_FALSE(IsValidKeyPath("\\Software"));
  EXPECT_FALSE(IsValidKeyPath("Software\\"));
  EXPECT_FALSE(IsValidKeyPath("Software\\\\Kavex"));
  EXPECT_FALSE(IsValidKeyPath("line\nfeed"));
  EXPECT_FALSE(IsValidKeyPath("tab\there"));
  EXPECT_FALSE(IsValidKeyPath(std::string("zero\0", 5)));
  EXPECT_FALSE(IsValidKeyPath("del\x7f"));
}

TEST(SettingsFile, LinesTheProgramDoesNotChangeKeepEveryByte) {
  const std::string original =
      "\xEF\xBB\xBF# saved twice by a Windows editor\r\r\n"
      "[Software\\Kavex\\WebUpdates]\r\n"
      "\"URL\"=\"http://a/\"\r\n"
      "; a bare carriage return\r"
      "\"LogFile\"=\"/tmp/log\"\n"
      "\t\r\n"
      "[Software\\Kavex\\WebUpdates\\RemindDates]\n"
      "\"App\"=\"01/06/2005\"";  // no line end at the end of the file
  SettingsDocument document;
  ASSERT_TRUE(document.Parse(original));
  EXPECT_EQ(document.Serialize(), original);
  EXPECT_EQ(Value(document, kKey, "LogFile"), "<absent>");  // part of the comment line

  // A replaced line keeps its own line end, or its lack of one.
  document.SetValue(kKey, "URL", "http://b/");
  document.SetValue("Software\\Kavex\\WebUpdates\\RemindDates", "App", "");
  std::string expected = original;
  expected.replace(expected.find("http://a/"), 9, "http://b/");
  expected.replace(expected.find("01/06/2005"), 10, "");
  EXPECT_EQ(document.Serialize(), expected);

  // A line added after the unterminated last line ends that line with a line feed.
  document.SetValue("Software\\Kavex\\WebUpdates\\RemindDates", "Other", "x");
  EXPECT_EQ(document.Serialize(), expected + "\n\"Other\"=\"x\"\n");
}

TEST(SettingsFile, AddingAfterALastLineWithoutLineEnd) {
  SettingsDocument document;
  ASSERT_TRUE(document.Parse("[K]\r\n\"A\"=\"a\""));
  document.SetValue("K", "B", "b");
  EXPECT_EQ(document.Serialize(), "[K]\r\n\"A\"=\"a\"\n\"B\"=\"b\"\n");

  ASSERT_TRUE(document.Parse("# only a comment"));
  EXPECT_TRUE(document.AddKey("New"));
  EXPECT_EQ(document.Serialize(), "# only a comment\n\n[New]\n");

  ASSERT_TRUE(document.Parse("[K]\n\"A\"=\"a\"\n\r"));  // a last line of one carriage return
  document.SetValue("L", "", "default");
  EXPECT_EQ(document.Serialize(), "[K]\n\"A\"=\"a\"\n\r\n[L]\n@=\"default\"\n");
}

TEST(SettingsFile, TheFirstLineThatCannotBeReadIsReported) {
  SettingsDocument::ParseError error;
  SettingsDocument document;
  EXPECT_FALSE(document.Parse("\"URL\"=\"x\"\r\n[K]\n\"bad\n", &error));
  EXPECT_EQ(error.lineNumber, 1u);
  EXPECT_EQ(error.lineText, "\"URL\"=\"x\"");

  EXPECT_FALSE(
      document.Parse("\xEF\xBB\xBF# c\r\n[K]\r\n\"A\"=\"a\"\r\n\"B\"=b\r\nmore\n", &error));
  EXPECT_EQ(error.lineNumber, 4u);
  EXPECT_EQ(error.lineText, "\"B\"=b");
  EXPECT_EQ(document.Serialize(), "");

  EXPECT_FALSE(document.Parse("[K]\n\n\n[unterminated", &error));
  EXPECT_EQ(error.lineNumber, 4u);
  EXPECT_EQ(error.lineText, "[unterminated");
  EXPECT_FALSE(document.Parse("[K]\nbad\n"));  // the report is optional
}

// Their escapes are in text_escape_test.cpp.
TEST(SettingsFile, TextsInMessagesAreCutAfterTheLimit) {
  using platform::posix::EscapeSettingsText;
  EXPECT_EQ(EscapeSettingsText("ab\ncdef", 4), "ab\\x0Ac...");
  EXPECT_EQ(EscapeSettingsText("abcdef", 3), "abc...");
  EXPECT_EQ(EscapeSettingsText("abc", 3), "abc");
  EXPECT_EQ(EscapeSettingsText("", 0), "");
}

// Formatting of string-table entries, which may come from a translated library: only the
// one argument given is ever read, whatever the entry asks for.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/text.h"
#include "ui/text_format.h"

namespace {
std::string WithText(const std::string& format, const std::string& text) {
  return FormatEntry(format, FormatArgument(text));
}
std::string WithNumber(const std::string& format, long number) {
  return FormatEntry(format, FormatArgument(number));
}
std::string Plain(const std::string& format) {
  return FormatEntry(format, FormatArgument());
}
}  // namespace

TEST(TextFormat, DocumentedEntriesFormatAsPrintfWould) {
  EXPECT_EQ(WithText("There are updates available for the %s software.", "Acme"),
            "There are updates available for the Acme software.");
  EXPECT_EQ(WithNumber("Connection error. Status code: %d", 404),
            "Connection error. Status code: 404");
  EXPECT_EQ(WithNumber("Status %d", -1), "Status -1");
  EXPECT_EQ(Plain("day(s)"), "day(s)");
  EXPECT_EQ(Plain("100%% sure"), "100% sure");
  EXPECT_EQ(WithText("%% of %s", "x"), "% of x");
}

TEST(TextFormat, ArgumentIsNeverReadAsAFormat) {
  EXPECT_EQ(WithText("Visit the %s Web site", "50% %s %n %d Off"),
            "Visit the 50% %s %n %d Off Web site");
  EXPECT_EQ(WithText("%s", "%%"), "%%");
}

TEST(TextFormat, ConversionsBeyondTheOneArgumentShowNothing) {
  EXPECT_EQ(WithText("%s and %s and %d", "A"), "A and  and ");
  EXPECT_EQ(Plain("Remind me %s in %d days%n"), "Remind me  in  days");
  EXPECT_EQ(WithNumber("%d%d%s%p", 7), "7");
  EXPECT_EQ(WithText("%n%s", "A"), "A");  // %n writes nothing and takes nothing
}

TEST(TextFormat, AnyConversionShowsTheArgumentSafely) {
  EXPECT_EQ(WithText("Product %d", "Acme"), "Product Acme");
  EXPECT_EQ(WithText("Product %x|%c", "Acme"), "Product Acme|");
  EXPECT_EQ(WithNumber("Code %s", 404), "Code 404");
  EXPECT_EQ(WithNumber("Code %5d|%-5s|", 42), "Code    42||");
  EXPECT_EQ(WithNumber("%05ld", 42), "00042");
  EXPECT_EQ(WithNumber("%x", 255), "ff");
  EXPECT_EQ(WithNumber("%I64d", 12), "12");
  EXPECT_EQ(WithText("[%-6s][%.2s]", "abc"), "[abc   ][]");
  EXPECT_EQ(WithText("[%1$s]", "abc"), "[abc]");
}

TEST(TextFormat, StarsAndHugeWidthsReadNothingAndStayBounded) {
  EXPECT_EQ(WithText("%*s", "abc"), "abc");
  EXPECT_EQ(WithText("%.*s", "abc"), "abc");
  EXPECT_EQ(WithNumber("%999999999d", 1).size(), 256u);
  EXPECT_EQ(WithText("%99999999999999999999s", "x").size(), 256u);
  EXPECT_EQ(WithNumber("%.9999999d", 1).size(), 256u);
}

TEST(TextFormat, PercentSignsThatStartNoConversionStay) {
  EXPECT_EQ(Plain("100%"), "100%");
  EXPECT_EQ(WithText("50%! %s", "now"), "50%! now");
  EXPECT_EQ(Plain("%q %"), "%q %");
}

// Translated entries are bytes: a zero byte is no flag, width, length or type, so it ends
// no conversion and reaches the result like any other text.
TEST(TextFormat, ZeroBytesInAnEntryStartNoConversion) {
  using namespace std::string_literals;
  EXPECT_EQ(WithNumber("%\0d"s, 7), "%\0d"s);
  EXPECT_EQ(WithNumber("a%l\0"s, 7), "a%l\0"s);
  EXPECT_EQ(WithNumber("%5\0|%d"s, 7), "%5\0|7"s);
  EXPECT_EQ(WithText("%-\0s|%s"s, "x"), "%-\0s|x"s);
  EXPECT_EQ(Plain("100%\0"s), "100%\0"s);
}

// The one rule of line ends as an editor counts them, which the lookup, the signature and
// the tool number lines by.
TEST(LineEnds, CrLfLfAndALoneCrEachEndOneLine) {
  const std::string text = "a\r\nb\nc\rd\r\r\n\n";
  // offset: the line end's length there
  const std::vector<std::pair<std::size_t, std::size_t>> ends = {
      {0, 0}, {1, 2}, {2, 1}, {3, 0}, {4, 1}, {5, 0}, {6, 1}, {7, 0},
      {8, 1}, {9, 2}, {10, 1}, {11, 1}, {12, 0}, {99, 0}};
  for (const auto& [at, length] : ends)
    EXPECT_EQ(LineEndLength(text, at), length) << at;
  EXPECT_EQ(LineEndLength("x\r", 1), 1u);  // a CR at the end stands alone
  // offset of a line's start: its number
  const std::vector<std::pair<std::size_t, std::size_t>> lines = {
      {0, 1}, {3, 2}, {5, 3}, {7, 4}, {9, 5}, {11, 6}, {12, 7}};
  for (const auto& [offset, number] : lines)
    EXPECT_EQ(LineNumberAt(text, offset), number) << offset;
}

TEST(ParseDigits, OnlyDigitsUpToTheLimit) {
  std::uint64_t value = 7;
  EXPECT_TRUE(ParseDigits("0", 18, value));
  EXPECT_EQ(value, 0u);
  EXPECT_TRUE(ParseDigits("999999999999999999", 18, value));
  EXPECT_EQ(value, 999999999999999999u);
  for (const char* text : {"", "1234567890123456789", "+1", "-1", " 1", "1 ", "1x"})
    EXPECT_FALSE(ParseDigits(text, 18, value)) << text;
  EXPECT_EQ(value, 999999999999999999u);
}

// Text on a terminal: its width in columns, lines broken at word boundaries to the
// terminal's width, and where that width comes from.
#include "platform/posix/terminal_text.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

using platform::posix::DisplayWidth;
using platform::posix::TerminalWidth;
using platform::posix::WrapText;

TEST(TerminalText, WidthCountsCharactersNotBytes) {
  EXPECT_EQ(DisplayWidth("Tag(en)"), 7u);
  EXPECT_EQ(DisplayWidth("F\xC3\xBCr"), 3u);                // ü: two bytes, one column
  EXPECT_EQ(DisplayWidth("\xE6\x97\xA5\xE5\xBE\x8C"), 4u);  // 日後: two wide characters
  EXPECT_EQ(DisplayWidth("a\xCC\xA3"), 1u);                 // a and a combining dot
  EXPECT_EQ(DisplayWidth("\xE0\xB8\x81\xE0\xB8\xB5"), 1u);  // Thai: a vowel above
  EXPECT_EQ(DisplayWidth("\xFF\xC3"), 2u);                  // not UTF-8: a column a byte
}

TEST(TerminalText, LinesBreakAtBlanksNeverInsideAWord) {
  const std::string german =
      "Besuchen Sie die Website von Visual Studio Enterprise Edition, um die Updates "
      "anzusehen";
  EXPECT_EQ(WrapText(german, 60),
            "Besuchen Sie die Website von Visual Studio Enterprise\n"
            "Edition, um die Updates anzusehen");
  // Each line of a wrapped choice starts below its text, after the letter and the mark.
  EXPECT_EQ(WrapText("b) ( ) Erneut erinnern in [ 1 v] Tag(en)", 22, 7),
            "b) ( ) Erneut erinnern\n"
            "       in [ 1 v]\n"
            "       Tag(en)");
  // The text's own line breaks and its leading blanks stay; blanks at a break go.
  EXPECT_EQ(WrapText("  one two\nthree   four", 8), "  one\ntwo\nthree\nfour");
  EXPECT_EQ(WrapText("fits exactly", 12), "fits exactly");
  EXPECT_EQ(WrapText("", 10), "");
  // Columns, not bytes: umlauts take one each.
  EXPECT_EQ(WrapText("\xC3\xBC\xC3\xBC\xC3\xBC \xC3\xBC\xC3\xBC", 6),
            "\xC3\xBC\xC3\xBC\xC3\xBC \xC3\xBC\xC3\xBC");
}

TEST(TerminalText, LongWordsAreCutAndWideScriptsBreakBetweenCharacters) {
  EXPECT_EQ(WrapText("http://example.com/a/very/long/page.html x", 12),
            "http://examp\nle.com/a/ver\ny/long/page.\nhtml x");
  // 次の期間後に (six wide characters) in eight columns: four a line.
  EXPECT_EQ(WrapText("\xE6\xAC\xA1\xE3\x81\xAE\xE6\x9C\x9F\xE9\x96\x93\xE5\xBE\x8C\xE3\x81\xAB", 8),
            "\xE6\xAC\xA1\xE3\x81\xAE\xE6\x9C\x9F\xE9\x96\x93\n\xE5\xBE\x8C\xE3\x81\xAB");
  // A combining mark stays with its letter.
  EXPECT_EQ(WrapText("abca\xCC\xA3"
                     "d",
                     4),
            "abca\xCC\xA3\nd");
  // An indent that leaves too little room is dropped; a width of nothing is one.
  EXPECT_EQ(WrapText("aa bb cc", 5, 4), "aa bb\ncc");
  EXPECT_EQ(WrapText("ab", 0), "a\nb");
}

TEST(TerminalText, WidthFromTheTerminalElseColumnsElseEighty) {
  int master = -1, slave = -1;
  winsize size{};
  size.ws_col = 57;
  size.ws_row = 20;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
  ::setenv("COLUMNS", "100", 1);
  EXPECT_EQ(TerminalWidth(slave), 57u);
  ::close(master);
  ::close(slave);
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  EXPECT_EQ(TerminalWidth(pipe[1]), 100u);
  for (const char* unusable : {"", "0", "-5", "60x", "99999999999999999999"}) {
    ::setenv("COLUMNS", unusable, 1);
    EXPECT_EQ(TerminalWidth(pipe[1]), 80u) << unusable;
  }
  ::unsetenv("COLUMNS");
  EXPECT_EQ(TerminalWidth(pipe[1]), 80u);
  ::close(pipe[0]);
  ::close(pipe[1]);
}

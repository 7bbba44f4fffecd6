// The terminal's drawing of a dialog model, on a template made for the case: every kind
// of control, the letters that choose, and what the hint says Enter presses.
#include "platform/posix/console_screen.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "dialog_controls.h"

namespace {

platform::DialogControl Control(int id, const char* className, std::uint32_t style,
                                const char* text, short y, short x) {
  return test::Control(id, className, test::kChild | style, text, y, x);
}

class Plain : public platform::CDialog {
public:
  Plain() : CDialog(0) {}
};

}  // namespace

TEST(ConsoleScreen, DrawsEachKindInReadingOrderWithTheLettersThatChoose) {
  platform::DialogResource resource;
  resource.dialog.title = "Options";
  resource.dialog.controls = {
      Control(10, "Static", 0x0, "&Pick one:\r\nor two", 0, 0),
      Control(11, "Button", 0x9, "Fi&rst", 20, 0),
      Control(12, "Button", 0x9, "Second", 20, 50),
      Control(13, "Button", 0x3, "Keep && &save", 40, 0),
      Control(14, "Button", 0x10000, "&Later", 60, 50),  // a tab stop, before OK
      Control(1, "Button", 0x10001, "OK", 60, 0),
      Control(15, "Static", 0x3, "", 0, 100),  // an icon: not drawn
      Control(16, "Static", 0x0, "Hidden", 80, 0),
  };
  resource.dialog.controls.back().style = 0x40000000;  // not visible: not drawn
  Plain dialog;
  platform::DialogModel model(resource, dialog);
  model.Initialise();
  std::ostringstream out;
  platform::posix::ConsoleScreen screen(model, out);
  model.Click(model.IndexOf(13));
  screen.Hint();
  screen.Draw();
  EXPECT_EQ(out.str(),
            "\n(a letter chooses, a list item sets the list, Enter presses <Later>, q closes)\n"
            "\nOptions\n=======\n"
            "Pick one:\nor two\n"
            "a) ( ) First b) ( ) Second\n"
            "c) [x] Keep & save\n"
            "<OK> [Later]\n");
  EXPECT_EQ(screen.LetterOf(model.IndexOf(10)), 0);
  EXPECT_EQ(screen.LetterOf(model.IndexOf(13)), 'c');
}

TEST(ConsoleScreen, LettersSkipTheKeysThatClose) {
  platform::DialogResource resource;
  for (int i = 0; i < 16; ++i)
    resource.dialog.controls.push_back(Control(100 + i, "Button", 0x9, "x", 0, 0));
  Plain dialog;
  platform::DialogModel model(resource, dialog);
  std::ostringstream out;
  const platform::posix::ConsoleScreen screen(model, out);
  std::string letters;
  for (std::size_t i = 0; i < 16; ++i)
    letters += screen.LetterOf(i);
  EXPECT_EQ(letters, "abcdefghijklmopr");
}

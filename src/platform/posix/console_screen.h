#pragma once
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/dialog_model.h"

namespace platform {
namespace posix {

// A text on one line: line feeds become blanks and carriage returns go.
std::string OnOneLine(std::string text);

// Draws a dialog on a text terminal, every line broken at word boundaries to the
// terminal's width: the title, the controls row by row (radio buttons and check boxes with
// the letter that chooses them, a list with its items below its row, the default button
// in angle brackets), and the lines the terminal dialog adds around it. Those lines are
// made of symbols, key names and the dialog's own words, so that they speak the product's
// language, as the dialog does.
class ConsoleScreen {
public:
  ConsoleScreen(const DialogModel& model, std::ostream& out, std::size_t width);

  // The letter that chooses a radio button or check box, or 0 for other controls.
  char LetterOf(std::size_t control) const { return m_letters[control]; }
  // The text a push button is chosen by.
  static std::string ButtonText(const DialogItem& button);

  // The keys: the letters, the lists' items, the button Enter presses and the key that
  // closes, e.g. "(a b | 1 5 10 30 60 | Enter=<OK> | q=Cancel)".
  void Hint();
  void Draw();
  void Prompt();
  // An answer that chooses nothing: "x ?" and the keys again.
  void Refused(const std::string& choice);
  // After the dialog: what follows the answer, when the dialog says, after "-> ".
  void Answer();

private:
  std::string Show(const DialogItem& control, std::size_t index) const;
  std::string Keys() const;
  void Write(const std::string& text, std::size_t indent = 0);

  const DialogModel& m_model;
  std::ostream& m_out;
  std::size_t m_width;
  std::vector<char> m_letters;
};

}  // namespace posix
}  // namespace platform

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

// Draws a dialog on a text terminal: the title, the controls row by row (radio buttons
// and check boxes with the letter that chooses them, a list with its items below its row,
// the default button in angle brackets), and the lines the terminal dialog adds around it.
class ConsoleScreen {
public:
  ConsoleScreen(const DialogModel& model, std::ostream& out);

  // The letter that chooses a radio button or check box, or 0 for other controls.
  char LetterOf(std::size_t control) const { return m_letters[control]; }
  // The text a push button is chosen by.
  static std::string ButtonText(const DialogItem& button);

  void Hint();
  void Draw();
  void Prompt();
  void Refused(const std::string& choice);
  // After the dialog: what follows the answer, when the dialog says.
  void Answer();

private:
  std::string Show(const DialogItem& control, std::size_t index) const;

  const DialogModel& m_model;
  std::ostream& m_out;
  std::vector<char> m_letters;
};

}  // namespace posix
}  // namespace platform

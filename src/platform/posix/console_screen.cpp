#include "platform/posix/console_screen.h"

#include <algorithm>
#include <ostream>

#include "platform/text.h"

namespace platform {
namespace posix {

std::string OnOneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

ConsoleScreen::ConsoleScreen(const DialogModel& model, std::ostream& out)
    : m_model(model), m_out(out), m_letters(model.Items().size(), 0) {
  char letter = 'a';
  for (std::size_t i = 0; i < m_letters.size(); ++i) {
    // q and n close the dialog, so they name no choice.
    while (letter == 'n' || letter == 'q')
      ++letter;
    if (model.Items()[i].IsCheckable() && letter <= 'z')
      m_letters[i] = letter++;
  }
}

std::string ConsoleScreen::ButtonText(const DialogItem& button) {
  return OnOneLine(WithoutMnemonics(button.text));
}

void ConsoleScreen::Hint() {
  const std::size_t enter = m_model.EnterTarget();
  const std::string button = enter == kNoControl ? "OK" : ButtonText(m_model.Items()[enter]);
  m_out << "\n(a letter chooses, a list item sets the list, Enter presses <" << button
        << ">, q closes)\n";
}

void ConsoleScreen::Draw() {
  const std::string& title = m_model.Title();
  m_out << "\n"
        << title << "\n"
        << std::string(std::max<std::size_t>(title.size(), 3), '=') << "\n";
  const std::vector<DialogItem>& items = m_model.Items();
  for (const std::vector<std::size_t>& row : m_model.Rows()) {
    std::string line;
    for (const std::size_t index : row)
      line += (line.empty() ? "" : " ") + Show(items[index], index);
    m_out << line << "\n";
    // A list's items follow its row, as its opened list would.
    for (const std::size_t index : row) {
      if (items[index].kind != ControlKind::kComboBox)
        continue;
      m_out << "   list:";
      for (const std::string& item : items[index].items)
        m_out << " " << Trim(item);
      m_out << "\n";
    }
  }
}

void ConsoleScreen::Prompt() {
  m_out << "> " << std::flush;
}

void ConsoleScreen::Refused(const std::string& choice) {
  m_out << "Not a choice: " << choice << "\n";
}

void ConsoleScreen::Answer() {
  const std::string answer = m_model.Notes().answer;
  if (!answer.empty())
    m_out << answer << "\n";
  m_out << std::flush;
}

std::string ConsoleScreen::Show(const DialogItem& control, std::size_t index) const {
  switch (control.kind) {
    case ControlKind::kRadioButton:
    case ControlKind::kCheckBox: {
      const bool radio = control.kind == ControlKind::kRadioButton;
      const char* mark = control.checked ? (radio ? "(*) " : "[x] ") : (radio ? "( ) " : "[ ] ");
      return std::string(1, LetterOf(index)) + ") " + mark + ButtonText(control);
    }
    case ControlKind::kComboBox: {
      const std::string selected =
          control.selection >= 0 ? Trim(control.items[static_cast<std::size_t>(control.selection)])
                                 : std::string();
      return "[" + selected + " v]";
    }
    case ControlKind::kPushButton: return "[" + ButtonText(control) + "]";
    case ControlKind::kDefaultPushButton: return "<" + ButtonText(control) + ">";
    default: {
      // Texts keep their own line breaks.
      std::string shown = WithoutMnemonics(control.text);
      shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
      return shown;
    }
  }
}

}  // namespace posix
}  // namespace platform

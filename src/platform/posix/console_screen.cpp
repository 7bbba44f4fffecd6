#include "platform/posix/console_screen.h"

#include <algorithm>
#include <ostream>

#include "platform/posix/terminal_text.h"
#include "platform/text.h"

namespace platform {
namespace posix {

std::string OnOneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

namespace {

// What stands before a radio button's or check box's text: "a) (*) ".
constexpr std::size_t kChoiceMarkWidth = 7;
// What stands before a list's items, below its row.
const char kListMark[] = "   v: ";

// The texts, trimmed, one blank between them.
std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts)
    joined += (joined.empty() ? "" : " ") + Trim(text);
  return joined;
}

}  // namespace

ConsoleScreen::ConsoleScreen(const DialogModel& model, std::ostream& out, std::size_t width)
    : m_model(model), m_out(out), m_width(width), m_letters(model.Items().size(), 0) {
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

void ConsoleScreen::Write(const std::string& text, std::size_t indent) {
  m_out << WrapText(ForTerminal(text), m_width, indent) << "\n";
}

std::string ConsoleScreen::Keys() const {
  std::vector<std::string> parts;
  std::string letters;
  for (const char letter : m_letters) {
    if (letter)
      letters += (letters.empty() ? "" : " ") + std::string(1, letter);
  }
  if (!letters.empty())
    parts.push_back(letters);
  const std::vector<DialogItem>& items = m_model.Items();
  for (const DialogItem& item : items) {
    if (item.kind == ControlKind::kComboBox && item.visible && !item.items.empty())
      parts.push_back(Joined(item.items));
  }
  const std::size_t enter = m_model.EnterTarget();
  parts.push_back(enter == kNoControl ? "Enter" : "Enter=<" + ButtonText(items[enter]) + ">");
  const std::string cancel = OnOneLine(m_model.Notes().cancel);
  parts.push_back(cancel.empty() ? "q" : "q=" + cancel);
  std::string keys;
  for (const std::string& part : parts)
    keys += (keys.empty() ? "(" : " | ") + part;
  return keys + ")";
}

void ConsoleScreen::Hint() {
  m_out << "\n";
  Write(Keys());
}

void ConsoleScreen::Draw() {
  const std::string& title = m_model.Title();
  m_out << "\n";
  Write(title);
  m_out << std::string(std::min(std::max<std::size_t>(DisplayWidth(title), 3), m_width), '=')
        << "\n";
  const std::vector<DialogItem>& items = m_model.Items();
  for (const std::vector<std::size_t>& row : m_model.Rows()) {
    std::string line;
    for (const std::size_t index : row)
      line += (line.empty() ? "" : " ") + Show(items[index], index);
    // The lines of a choice start below its text.
    Write(line, items[row.front()].IsCheckable() ? kChoiceMarkWidth : 0);
    // A list's items follow its row, as its opened list would.
    for (const std::size_t index : row) {
      if (items[index].kind == ControlKind::kComboBox)
        Write(kListMark + Joined(items[index].items), sizeof kListMark - 1);
    }
  }
}

void ConsoleScreen::Prompt() {
  m_out << "> " << std::flush;
}

void ConsoleScreen::Refused(const std::string& choice) {
  Write(choice + " ? " + Keys());
}

void ConsoleScreen::Answer() {
  const std::string answer = m_model.Notes().answer;
  if (!answer.empty()) {
    std::string shown = "-> ";
    for (const char c : answer)
      shown += c == '\n' ? std::string("\n   ") : std::string(1, c);
    Write(shown, 3);
  }
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

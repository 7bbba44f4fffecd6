#include "platform/posix/console_dialog_host.h"

#include <istream>
#include <ostream>

#include "platform/dialog_model.h"
#include "platform/posix/console_screen.h"
#include "platform/text.h"

namespace platform {
namespace posix {

namespace {

// One line of input, without its control characters; true when it closes the dialog
// (Escape, Ctrl-D, end of input, "q" or "n").
bool ReadChoice(std::istream& in, std::ostream& out, std::string& choice) {
  std::string line;
  bool close = !std::getline(in, line);
  if (close)
    out << "\n";
  std::string printable;
  for (const char c : line) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte == 0x1B || byte == 0x04)
      close = true;
    else if (byte >= 0x20 && byte != 0x7F)
      printable += c;
  }
  choice = Trim(printable);
  return close || EqualsNoCase(choice, "q") || EqualsNoCase(choice, "n");
}

// Carries out a choice that names a control; false when none is named.
bool Choose(DialogModel& model, const ConsoleScreen& screen, const std::string& choice) {
  if (choice.empty()) {
    model.Key(DialogKey::kEnter);
    return true;
  }
  const std::vector<DialogItem>& items = model.Items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    const DialogItem& item = items[i];
    if ((item.IsPushButton() && EqualsNoCase(choice, ConsoleScreen::ButtonText(item))) ||
        (screen.LetterOf(i) && choice.size() == 1 && ToLower(choice)[0] == screen.LetterOf(i))) {
      model.Click(i);
      return true;
    }
    for (std::size_t k = 0; k < item.items.size(); ++k) {
      if (item.kind == ControlKind::kComboBox && Trim(item.items[k]) == choice) {
        model.Select(i, static_cast<int>(k));
        return true;
      }
    }
  }
  return false;
}

}  // namespace

ConsoleDialogHost::ConsoleDialogHost(std::istream& in, std::ostream& out)
    : ConsoleDialogHost(in, out, out, false) {}

ConsoleDialogHost::ConsoleDialogHost(std::istream& in, std::ostream& out, std::ostream& messages,
                                     bool confirmMessages)
    : m_in(in), m_out(out), m_messages(messages), m_confirmMessages(confirmMessages) {}

void ConsoleDialogHost::ShowMessageBox(WindowHandle, const std::string& text,
                                       const std::string& caption, MessageBoxStyle) {
  ShowConsoleMessageBox(m_messages, m_confirmMessages ? &m_in : nullptr, text, caption);
}

int ConsoleDialogHost::Show(DialogModel& model) {
  model.Initialise();
  ConsoleScreen screen(model, m_out);
  screen.Hint();
  bool redraw = true;
  while (!model.Ended()) {
    // A refused answer is asked again without showing the whole dialog again.
    if (redraw)
      screen.Draw();
    redraw = true;
    screen.Prompt();
    std::string choice;
    if (ReadChoice(m_in, m_out, choice)) {
      model.CloseForGood();  // nothing more can be read, or the user closed it
    } else if (!Choose(model, screen, choice)) {
      screen.Refused(choice);
      redraw = false;
    }
  }
  screen.Answer();
  return model.Result();
}

void ShowConsoleMessageBox(std::ostream& out, std::istream* waitIn, const std::string& text,
                           const std::string& caption) {
  out << caption << ": " << text << "\n";
  if (waitIn) {
    out << "[OK] " << std::flush;
    std::string line;
    std::getline(*waitIn, line);
  }
  out << std::flush;
}

}  // namespace posix
}  // namespace platform

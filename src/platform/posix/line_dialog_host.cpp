#include "platform/posix/line_dialog_host.h"

#include <algorithm>
#include <ostream>

#include "platform/posix/console_screen.h"
#include "platform/text.h"

namespace platform {
namespace posix {

namespace {

// The width of a terminal line.
const std::size_t kLineWidth = 80;

}  // namespace

std::string DialogSummary(const DialogModel& model) {
  const std::vector<DialogItem>& items = model.Items();
  std::string texts;
  for (const std::vector<std::size_t>& row : model.Rows()) {
    if (!std::all_of(row.begin(), row.end(), [&](std::size_t index) {
          return items[index].kind == ControlKind::kStaticText;
        }))
      continue;
    for (const std::size_t index : row) {
      const std::string text = Trim(OnOneLine(WithoutMnemonics(items[index].text)));
      if (!text.empty())
        texts += (texts.empty() ? "" : " ") + text;
    }
  }
  const std::string title = OnOneLine(model.Title());
  if (title.empty() || texts.empty())
    return title + texts;
  return title + ": " + texts;
}

LineDialogHost::LineDialogHost(std::ostream& out) : m_out(out) {}

int LineDialogHost::Show(DialogModel& model) {
  model.Initialise();
  if (!model.Ended()) {
    std::string line = DialogSummary(model);
    const std::string subject = model.Notes().subject;
    if (!subject.empty())
      line += (line.empty() ? "" : " ") + subject;
    m_out << ForTerminal(line) << "\n" << std::flush;
    // Nobody can answer: the dialog is closed as its close box would close it.
    model.CloseForGood();
  }
  return model.Result();
}

void LineDialogHost::ShowMessageBox(WindowHandle, const std::string& text,
                                    const std::string& caption, MessageBoxStyle) {
  // A message goes on one line, for logs and journals; a text too long for one line of a
  // terminal (the usage text) keeps its own lines, or it would be one unreadable line.
  const std::string line = caption + ": " + OnOneLine(text);
  if (line.size() <= kLineWidth || text.find('\n') == std::string::npos) {
    m_out << ForTerminal(line) << "\n" << std::flush;
    return;
  }
  std::string lines = text;
  lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
  while (!lines.empty() && lines.back() == '\n')
    lines.pop_back();
  m_out << caption << ":" << (lines.front() == '\n' ? "" : " ") << ForTerminal(lines) << "\n"
        << std::flush;
}

}  // namespace posix
}  // namespace platform

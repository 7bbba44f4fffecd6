#include "platform/posix/line_dialog_host.h"

#include <algorithm>
#include <ostream>

#include "platform/posix/console_screen.h"
#include "platform/text.h"

namespace platform {
namespace posix {

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
    m_out << line << "\n" << std::flush;
    // Nobody can answer: the dialog is closed as its close box would close it.
    model.CloseForGood();
  }
  return model.Result();
}

void LineDialogHost::ShowMessageBox(WindowHandle, const std::string& text,
                                    const std::string& caption, MessageBoxStyle) {
  m_out << caption << ": " << OnOneLine(text) << "\n" << std::flush;
}

}  // namespace posix
}  // namespace platform

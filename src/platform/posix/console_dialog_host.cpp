#include "platform/posix/console_dialog_host.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/text.h"

namespace platform {
namespace posix {

namespace {

// A control as the console shows it.
struct Control {
  DialogControl source;
  bool checked = false;
  std::vector<std::string> items;  // combo box items, in display order
  int selection = -1;
  char key = 0;  // the letter that clicks a radio button

  bool Is(const char* className) const { return EqualsNoCase(source.className, className); }
  bool IsRadio() const {
    const std::uint32_t type = source.style & kButtonTypeMask;
    return Is(kButtonClass) && (type == kButtonRadio || type == kButtonAutoRadio);
  }
  bool IsPushButton() const { return Is(kButtonClass) && (source.style & kButtonTypeMask) <= 1; }
  bool IsDefault() const { return Is(kButtonClass) && (source.style & kButtonTypeMask) == 1; }
  bool IsIcon() const {
    return Is(kStaticClass) && (source.style & kStaticTypeMask) == kStaticIcon;
  }
  bool IsCombo() const { return Is(kComboBoxClass); }
  int Id() const { return static_cast<int>(static_cast<std::int32_t>(source.id)); }
};

// Text as a control shows it: "&&" is one ampersand, a single "&" marks a mnemonic.
std::string WithoutMnemonics(const std::string& text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size())
      ++i;
    shown += text[i];
  }
  return shown;
}

std::string OnOneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

class ConsoleDialogWindow : public DialogWindow {
public:
  explicit ConsoleDialogWindow(const DialogResource& resource)
      : m_title(resource.dialog.title), m_init(resource.init) {
    char key = 'a';
    for (const DialogControl& source : resource.dialog.controls) {
      Control control;
      control.source = source;
      // q and n close the dialog, so they name no choice.
      while (key == 'n' || key == 'q')
        ++key;
      if (control.IsRadio() && key <= 'z')
        control.key = key++;
      m_controls.push_back(control);
    }
  }

  bool Ended() const { return m_ended; }
  int Result() const { return m_result; }

  void ExecuteDialogInit() override {
    for (const DialogInitEntry& entry : m_init) {
      Control* control = Find(entry.control);
      if (control && control->IsCombo() && entry.message == kDialogInitAddComboString)
        AddItem(*control, entry.text);
    }
  }

  void SetWindowText(const std::string& text) override { m_title = text; }

  void SetDlgItemText(int id, const std::string& text) override {
    if (Control* control = Find(id))
      control->source.text = text;
  }

  std::string GetDlgItemText(int id) const override {
    const Control* control = Find(id);
    if (!control)
      return std::string();
    // A drop-down list's text is that of its selected item.
    if (control->IsCombo())
      return control->selection >= 0 ? control->items[control->selection] : std::string();
    return control->source.text;
  }

  void CheckRadioButton(int first, int last, int check) override {
    for (Control& control : m_controls) {
      if (control.Id() >= first && control.Id() <= last)
        control.checked = control.Id() == check;
    }
  }

  int GetCheckedRadioButton(int first, int last) const override {
    for (int id = first; id <= last; ++id) {
      const Control* control = Find(id);
      if (control && control->checked)
        return id;
    }
    return 0;
  }

  int SetComboSelection(int id, int index) override {
    Control* control = Find(id);
    if (!control || !control->IsCombo())
      return -1;
    if (index < 0 || index >= static_cast<int>(control->items.size())) {
      control->selection = -1;
      return -1;
    }
    control->selection = index;
    return index;
  }

  void EndDialog(int result) override {
    m_ended = true;
    m_result = result;
  }

  // Clicking an automatic radio button checks it and unchecks the others of its group.
  void ClickRadio(Control& clicked) {
    const std::size_t at = static_cast<std::size_t>(&clicked - m_controls.data());
    std::size_t first = at;
    while (first > 0 && !(m_controls[first].source.style & kStyleGroup))
      --first;
    std::size_t end = at + 1;
    while (end < m_controls.size() && !(m_controls[end].source.style & kStyleGroup))
      ++end;
    for (std::size_t i = first; i < end; ++i) {
      if (m_controls[i].IsRadio())
        m_controls[i].checked = false;
    }
    clicked.checked = true;
  }

  std::vector<Control>& Controls() { return m_controls; }

  // The dialog on one line: its title, then its texts in reading order.
  std::string Summary() const {
    std::string texts;
    for (const std::vector<const Control*>& row : Rows()) {
      // A text beside a choice belongs to the choice: only rows of texts alone count.
      if (!std::all_of(row.begin(), row.end(),
                       [](const Control* control) { return control->Is(kStaticClass); }))
        continue;
      for (const Control* control : row) {
        const std::string text = Trim(OnOneLine(WithoutMnemonics(control->source.text)));
        if (control->Is(kStaticClass) && !text.empty())
          texts += (texts.empty() ? "" : " ") + text;
      }
    }
    const std::string title = OnOneLine(m_title);
    if (title.empty() || texts.empty())
      return title + texts;
    return title + ": " + texts;
  }

  // The visible controls but icons, in rows from the top, each row from the left.
  std::vector<std::vector<const Control*>> Rows() const {
    std::vector<const Control*> order;
    for (const Control& control : m_controls) {
      if (!control.IsIcon() && (control.source.style & kStyleVisible))
        order.push_back(&control);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return a->source.y < b->source.y; });
    std::vector<std::vector<const Control*>> rows;
    for (std::size_t i = 0; i < order.size();) {
      std::size_t end = i + 1;
      const int rowEnd = order[i]->source.y + std::max<int>(order[i]->source.height / 2, 1);
      while (end < order.size() && order[end]->source.y < rowEnd)
        ++end;
      std::vector<const Control*> row(order.begin() + static_cast<std::ptrdiff_t>(i),
                                      order.begin() + static_cast<std::ptrdiff_t>(end));
      std::stable_sort(row.begin(), row.end(), [](const Control* a, const Control* b) {
        return a->source.x < b->source.x;
      });
      rows.push_back(row);
      i = end;
    }
    return rows;
  }

  void Render(std::ostream& out) const {
    out << "\n"
        << m_title << "\n"
        << std::string(std::max<std::size_t>(m_title.size(), 3), '=') << "\n";
    for (const std::vector<const Control*>& row : Rows()) {
      std::string line;
      for (const Control* control : row) {
        if (!line.empty())
          line += " ";
        line += Show(*control);
      }
      out << line << "\n";
      // A combo box's items follow its row, as its opened list would.
      for (const Control* control : row) {
        if (!control->IsCombo())
          continue;
        out << "   list:";
        for (const std::string& item : control->items)
          out << " " << Trim(item);
        out << "\n";
      }
    }
  }

  Control* Find(int id) {
    for (Control& control : m_controls) {
      if (control.Id() == id)
        return &control;
    }
    return nullptr;
  }
  const Control* Find(int id) const { return const_cast<ConsoleDialogWindow*>(this)->Find(id); }

private:
  static std::string Show(const Control& control) {
    const std::string text = OnOneLine(WithoutMnemonics(control.source.text));
    if (control.IsRadio())
      return std::string(1, control.key) + ") " + (control.checked ? "(*) " : "( ) ") + text;
    if (control.IsCombo()) {
      const std::string selected =
          control.selection >= 0 ? Trim(control.items[control.selection]) : std::string();
      return "[" + selected + " v]";
    }
    if (control.IsPushButton())
      return control.IsDefault() ? "<" + text + ">" : "[" + text + "]";
    // Static texts keep their own line breaks.
    std::string shown = WithoutMnemonics(control.source.text);
    shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
    return shown;
  }

  static void AddItem(Control& combo, const std::string& item) {
    if (combo.source.style & kComboSort) {
      // Sorted lists place each new item before the first one that is greater.
      const auto at =
          std::find_if(combo.items.begin(), combo.items.end(),
                       [&](const std::string& other) { return ToLower(other) > ToLower(item); });
      combo.items.insert(at, item);
    } else {
      combo.items.push_back(item);
    }
  }

  std::string m_title;
  std::vector<Control> m_controls;
  const std::vector<DialogInitEntry>& m_init;
  bool m_ended = false;
  int m_result = 0;
};

}  // namespace

ConsoleDialogHost::ConsoleDialogHost(std::istream& in, std::ostream& out)
    : ConsoleDialogHost(in, out, out, false) {}

ConsoleDialogHost::ConsoleDialogHost(std::istream& in, std::ostream& out, std::ostream& messages,
                                     bool confirmMessages)
    : m_in(in), m_out(out), m_messages(messages), m_confirmMessages(confirmMessages) {}

void ConsoleDialogHost::ShowMessageBox(const std::string& text, const std::string& caption,
                                       MessageBoxStyle) {
  ShowConsoleMessageBox(m_messages, m_confirmMessages ? &m_in : nullptr, text, caption);
}

void ConsoleDialogHost::SetUpdateOffer(const UpdateOffer*) {}

void ConsoleDialogHost::OfferAnswered(const UpdateOffer& offer, int remindDays) {
  if (remindDays == 0)
    m_out << "Opening " << offer.page << "\n";
  else
    m_out << "Reminding you in " << remindDays << (remindDays == 1 ? " day" : " days") << "\n";
  m_out << std::flush;
}

int ConsoleDialogHost::RunModal(CDialog& dialog, unsigned templateId, WindowHandle) {
  DialogResource resource;
  if (!LoadDialogResource(templateId, resource))
    return -1;

  ConsoleDialogWindow window(resource);
  const Attachment attachment(dialog, &window);
  InitDialog(dialog);
  std::string defaultButton = "OK";
  for (const Control& control : window.Controls()) {
    if (control.IsDefault())
      defaultButton = OnOneLine(WithoutMnemonics(control.source.text));
  }
  m_out << "\n(a letter chooses, a list item sets the list, Enter presses <" << defaultButton
        << ">, q closes)\n";
  bool redraw = true;
  while (!window.Ended()) {
    // A refused answer is asked again without showing the whole dialog again.
    if (redraw)
      window.Render(m_out);
    redraw = true;
    m_out << "> " << std::flush;
    std::string line;
    bool close = !std::getline(m_in, line);
    if (close)
      m_out << "\n";
    // Control characters are never part of a choice; Escape and Ctrl-D close.
    std::string printable;
    for (const char c : line) {
      const unsigned char byte = static_cast<unsigned char>(c);
      if (byte == 0x1B || byte == 0x04)
        close = true;
      else if (byte >= 0x20 && byte != 0x7F)
        printable += c;
    }
    const std::string choice = Trim(printable);
    if (EqualsNoCase(choice, "q") || EqualsNoCase(choice, "n"))
      close = true;
    if (close) {
      Cancel(dialog);
      if (!window.Ended())
        window.EndDialog(kIdCancel);  // nothing more can be read
      break;
    }
    bool understood = false;
    for (Control& control : window.Controls()) {
      if (understood)
        break;
      const bool pressed =
          control.IsPushButton() &&
          (choice.empty() ? control.IsDefault()
                          : EqualsNoCase(choice, OnOneLine(WithoutMnemonics(control.source.text))));
      if (pressed) {
        understood = true;
        if (control.Id() == kIdOk)
          Ok(dialog);
        else if (control.Id() == kIdCancel)
          Cancel(dialog);
        else
          Command(dialog, control.Id(), kButtonClicked);
      } else if (control.IsRadio() && choice.size() == 1 && ToLower(choice)[0] == control.key) {
        understood = true;
        window.ClickRadio(control);
        Command(dialog, control.Id(), kButtonClicked);
      } else if (control.IsCombo() && !choice.empty()) {
        for (std::size_t i = 0; i < control.items.size(); ++i) {
          if (Trim(control.items[i]) == choice) {
            understood = true;
            control.selection = static_cast<int>(i);
            Command(dialog, control.Id(), kComboSelectionChange);
            break;
          }
        }
      }
    }
    if (!understood) {
      m_out << "Not a choice: " << choice << "\n";
      redraw = false;
    }
  }
  return window.Result();
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

LineDialogHost::LineDialogHost(std::ostream& out) : m_out(out) {}

int LineDialogHost::RunModal(CDialog& dialog, unsigned templateId, WindowHandle) {
  DialogResource resource;
  if (!LoadDialogResource(templateId, resource))
    return -1;
  ConsoleDialogWindow window(resource);
  const Attachment attachment(dialog, &window);
  InitDialog(dialog);
  if (!window.Ended()) {
    std::string line = window.Summary();
    if (m_offer)
      line += (line.empty() ? "" : " ") + m_offer->page;
    m_out << line << "\n" << std::flush;
    // Nobody can answer: the dialog is closed as its close box would close it.
    Cancel(dialog);
    if (!window.Ended())
      window.EndDialog(kIdCancel);
  }
  return window.Result();
}

void LineDialogHost::ShowMessageBox(const std::string& text, const std::string& caption,
                                    MessageBoxStyle) {
  m_out << caption << ": " << OnOneLine(text) << "\n" << std::flush;
}

void LineDialogHost::SetUpdateOffer(const UpdateOffer* offer) {
  m_offer = offer;
}

}  // namespace posix
}  // namespace platform

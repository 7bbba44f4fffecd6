#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/dialog_template.h"

// A dialog as every Linux host shows it: its controls and their state, built once from the
// parsed template, and the user's input routed to the dialog class as the Windows dialog
// manager routes it. Hosts only draw the model and feed it input.
//
// The graphical module reads the model's state without linking the program: what it reads
// is defined in this header.

namespace platform {

// What a control is, decided once from its class and style.
enum class ControlKind {
  kPushButton,
  kDefaultPushButton,
  kRadioButton,
  kCheckBox,
  kStaticText,
  kIcon,
  kComboBox,  // a drop-down list or any other combo box
  kUpDown,
  kOther,  // a class no host draws as such: its text stands for it
};

ControlKind KindOf(const DialogControl& control);

// A control's text with the "&" rules applied: "&&" shows one "&", a single "&" marks the
// character after it as a mnemonic, and a final "&" shows as it is.
struct MnemonicText {
  std::string text;
  std::vector<std::size_t> marks;  // positions in `text` of the marked characters
};
inline MnemonicText ParseMnemonics(const std::string& text) {
  MnemonicText parsed;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&')
        parsed.marks.push_back(parsed.text.size());
    }
    parsed.text += text[i];
  }
  return parsed;
}
inline std::string WithoutMnemonics(const std::string& text) {
  return ParseMnemonics(text).text;
}

// One control of the model.
struct DialogItem {
  DialogControl source;  // as the template gives it
  ControlKind kind = ControlKind::kOther;
  std::string text;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  std::vector<std::string> items;  // the list of a combo or list box, in display order
  int selection = -1;

  int Id() const { return static_cast<int>(static_cast<std::int32_t>(source.id)); }
  bool IsPushButton() const {
    return kind == ControlKind::kPushButton || kind == ControlKind::kDefaultPushButton;
  }
  bool IsCheckable() const {
    return kind == ControlKind::kRadioButton || kind == ControlKind::kCheckBox;
  }
  // A radio button that checks itself when clicked (BS_AUTORADIOBUTTON).
  bool IsAutoRadio() const {
    return kind == ControlKind::kRadioButton &&
           (source.style & kButtonTypeMask) == kButtonAutoRadio;
  }
  bool IsTabStop() const { return (source.style & kStyleTabStop) != 0; }
  // Visible and enabled: the dialog manager moves the focus only to such controls.
  bool CanFocus() const { return visible && enabled; }
};

// Stands for no control, where an index of one is expected.
constexpr std::size_t kNoControl = static_cast<std::size_t>(-1);

// The state of a dialog while it is shown: plain data, which the graphical module reads.
struct DialogState {
  DialogTemplate dialog;  // as the template gives it
  std::string title;
  std::vector<DialogItem> items;
  std::size_t focus = kNoControl;
  bool ended = false;
  int result = 0;  // once ended
};

// The first control of the group that control `index` belongs to. A group runs from a
// control marked WS_GROUP up to the next one; the dialog manager goes round the controls
// in a circle, so the controls before the first mark belong to the last group (and a
// dialog without marks is one group, begun by its first control).
inline std::size_t GroupStart(const std::vector<DialogItem>& items, std::size_t index) {
  for (std::size_t i = index + 1; i-- > 0;) {
    if (items[i].source.style & kStyleGroup)
      return i;
  }
  for (std::size_t i = items.size(); i-- > index + 1;) {
    if (items[i].source.style & kStyleGroup)
      return i;
  }
  return 0;
}

// Keys the dialog manager handles itself.
enum class DialogKey { kTab, kShiftTab, kUp, kDown, kLeft, kRight, kEnter, kEscape, kSpace };

// The model of one dialog while a host shows it. It is the dialog's window: the dialog is
// connected to it from construction to destruction.
class DialogModel : public DialogWindow {
public:
  DialogModel(const DialogResource& resource, CDialog& dialog);
  ~DialogModel() override;
  DialogModel(const DialogModel&) = delete;
  DialogModel& operator=(const DialogModel&) = delete;

  // The dialog initialises itself; unless it declines, the focus goes to the first tab stop.
  void Initialise();

  const DialogState& State() const { return m_state; }
  const std::string& Title() const { return m_state.title; }
  const std::vector<DialogItem>& Items() const { return m_state.items; }
  // The index of the first control with that id, or kNoControl.
  std::size_t IndexOf(int id) const;
  const DialogItem* Find(int id) const;

  std::size_t Focus() const { return m_state.focus; }
  // The control with BS_DEFPUSHBUTTON, or kNoControl.
  std::size_t DefaultButton() const;
  // The push button Enter presses now: the focused one, else the default one; kNoControl
  // when Enter gives IDOK without a button.
  std::size_t EnterTarget() const;
  bool Ended() const { return m_state.ended; }
  int Result() const { return m_state.result; }
  // The dialog's words for hosts that show it as text (CDialog::Notes).
  DialogNotes Notes() const;

  // The focus order of the dialog manager, from `from` (kNoControl: the start); kNoControl
  // when no control qualifies. Tab moves between visible, enabled tab stops; the arrow
  // keys move within a group (GroupStart), both around in a circle.
  std::size_t NextTabStop(std::size_t from, bool backwards) const;
  std::size_t NextInGroup(std::size_t from, bool backwards) const;
  // The controls of the group of control `index`, from its first.
  std::vector<std::size_t> Group(std::size_t index) const;

  // The visible controls but icons, in rows from the top, each row from the left: the
  // dialog's reading order, for hosts that show it as text.
  std::vector<std::vector<std::size_t>> Rows() const;

  // Input from the user, routed to the dialog.
  void Click(std::size_t control);             // a mouse click or its equivalent
  void Select(std::size_t control, int item);  // an item picked in a list
  void Spin(std::size_t control, int delta);   // an up-down control's arrow
  void SetFocus(std::size_t control);          // the host's own focus moved (or kNoControl)
  void Key(DialogKey key);
  void Close();  // the close box: as Escape
  // For hosts that can take no more input: closes the dialog, and ends it with IDCANCEL
  // when it stays open.
  void CloseForGood();

  // DialogWindow
  void ExecuteDialogInit() override;
  void SetWindowText(const std::string& text) override;
  void SetDlgItemText(int id, const std::string& text) override;
  std::string GetDlgItemText(int id) const override;
  void CheckRadioButton(int first, int last, int check) override;
  int GetCheckedRadioButton(int first, int last) const override;
  int SetComboSelection(int id, int index) override;
  void EndDialog(int result) override;

private:
  DialogItem* FindItem(int id);
  void Command(int id, int code);
  void Arrow(bool backwards);
  void CheckAutoRadio(std::size_t control);

  CDialog& m_dialog;
  std::vector<DialogInitEntry> m_init;
  DialogState m_state;
};

// A host that shows each dialog through a dialog model: it loads the template and builds
// the model, and leaves the showing to Show.
class ModelDialogHost : public DialogHost {
public:
  int RunModal(CDialog& dialog, unsigned templateId, WindowHandle parent) final;

protected:
  // Initialises the model and shows the dialog until the model has ended; its result.
  virtual int Show(DialogModel& model) = 0;
};

}  // namespace platform

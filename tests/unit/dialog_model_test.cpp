// The dialog model under every Linux host: kinds from styles, the "&" rules, the state the
// dialog class sets, the focus order and the routing of input as Windows' dialog manager
// does them, on the program's own update dialog and on templates made for the case.
#include "platform/dialog_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_controls.h"
#include "ui/resource_ids.h"
#include "ui/update_available_dlg.h"

using platform::ControlKind;
using platform::DialogKey;
using platform::DialogModel;
using platform::kNoControl;
using test::Control;
using test::kChild;
using test::kHidden;

namespace {

platform::DialogResource Resource(std::vector<platform::DialogControl> controls,
                                  std::vector<platform::DialogInitEntry> init = {}) {
  platform::DialogResource resource;
  resource.dialog.title = "Test";
  resource.dialog.controls = std::move(controls);
  resource.init = std::move(init);
  return resource;
}

// A dialog that writes down what reaches it and ends only when told to.
class Recorder : public platform::CDialog {
public:
  Recorder() : CDialog(0) {}
  std::vector<std::string> calls;
  bool focusFirst = true;

protected:
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    return focusFirst;
  }
  void OnOK() override { calls.push_back("OK"); }
  void OnCancel() override { calls.push_back("Cancel"); }
  bool OnCommand(int id, int code) override {
    calls.push_back("Command " + std::to_string(id) + " " + std::to_string(code));
    return true;
  }
  bool OnNotify(int id, int code, long& result) override {
    calls.push_back("Notify " + std::to_string(id) + " " + std::to_string(code));
    result = 1;
    return true;
  }
};

using Calls = std::vector<std::string>;

// The program's own update dialog, initialised by its class.
struct UpdateDialog {
  UpdateDialog() {
    EXPECT_TRUE(platform::LoadDialogResource(IDD_UPDATE_AVAILABLE, resource));
    dialog.m_strProduct = "Acme";
  }
  platform::DialogResource resource;
  CUpdateAvailableDlg dialog;
};

}  // namespace

TEST(DialogModel, KindsComeFromClassAndStyle) {
  const std::pair<platform::DialogControl, ControlKind> cases[] = {
      {Control(1, "Button", kChild | 0x0), ControlKind::kPushButton},
      {Control(1, "BUTTON", kChild | 0x1), ControlKind::kDefaultPushButton},
      {Control(1, "Button", kChild | 0x3), ControlKind::kCheckBox},
      {Control(1, "Button", kChild | 0x6), ControlKind::kCheckBox},
      {Control(1, "Button", kChild | 0x4), ControlKind::kRadioButton},
      {Control(1, "Button", kChild | 0x2009), ControlKind::kRadioButton},
      {Control(1, "Button", kChild | 0x7), ControlKind::kOther},  // a group box
      {Control(1, "Static", kChild | 0x2), ControlKind::kStaticText},
      {Control(1, "static", kChild | 0x3), ControlKind::kIcon},
      {Control(1, "ComboBox", kChild | 0x103), ControlKind::kComboBox},
      {Control(1, "msctls_updown32", kChild), ControlKind::kUpDown},
      {Control(1, "Edit", kChild), ControlKind::kOther},
  };
  for (const auto& [control, kind] : cases)
    EXPECT_EQ(platform::KindOf(control), kind) << control.className << " " << control.style;
}

TEST(DialogModel, AmpersandsMarkMnemonicsAndDoubledOnesShowOne) {
  const platform::MnemonicText parsed = platform::ParseMnemonics("&Save && &quit&");
  EXPECT_EQ(parsed.text, "Save & quit&");
  EXPECT_EQ(parsed.marks, (std::vector<std::size_t>{0, 7}));
  EXPECT_EQ(platform::WithoutMnemonics("&&&x"), "&x");
  EXPECT_EQ(platform::WithoutMnemonics(""), "");
}

TEST(DialogModel, TheUpdateDialogInitialisedByItsClass) {
  UpdateDialog update;
  DialogModel model(update.resource, update.dialog);
  model.Initialise();
  EXPECT_EQ(model.Title(), "Acme");
  const platform::DialogItem* combo = model.Find(IDC_DAYS_COMBO);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->items, (std::vector<std::string>{" 1", " 5", "10", "30", "60"}));
  EXPECT_EQ(model.GetDlgItemText(IDC_DAYS_COMBO), " 1");
  EXPECT_TRUE(model.Find(IDC_RADIO_VISIT)->checked);
  EXPECT_EQ(model.Find(IDC_RADIO_VISIT)->text, "Visit the Acme Web site to review the updates");
  // The focus on the first tab stop, the OK button, which is also the default one.
  EXPECT_EQ(model.Focus(), model.IndexOf(platform::kIdOk));
  EXPECT_EQ(model.DefaultButton(), model.IndexOf(platform::kIdOk));
  EXPECT_EQ(model.IndexOf(4711), kNoControl);
  // Reading order: the headline, the visit choice, the remind row from the left, OK.
  std::vector<std::vector<int>> rows;
  for (const std::vector<std::size_t>& row : model.Rows()) {
    rows.emplace_back();
    for (const std::size_t index : row)
      rows.back().push_back(model.Items()[index].Id());
  }
  EXPECT_EQ(rows, (std::vector<std::vector<int>>{{IDC_MESSAGE},
                                                 {IDC_RADIO_VISIT},
                                                 {IDC_RADIO_REMIND, IDC_DAYS_COMBO, IDC_DAYS_LABEL},
                                                 {platform::kIdOk}}));
}

TEST(DialogModel, TheKeyboardAloneAnswersTheUpdateDialog) {
  // Tab goes between OK and the list only. The arrows go round the group of OK, which
  // the dialog manager begins at the last WS_GROUP mark, the unit's label: OK, the radio
  // buttons (checking each they reach), the label, the list.
  {
    UpdateDialog update;
    DialogModel model(update.resource, update.dialog);
    model.Initialise();
    const std::size_t ok = model.Focus();
    model.Key(DialogKey::kTab);
    EXPECT_EQ(model.Focus(), model.IndexOf(IDC_DAYS_COMBO));
    model.Key(DialogKey::kTab);
    EXPECT_EQ(model.Focus(), ok);
    model.Key(DialogKey::kShiftTab);
    EXPECT_EQ(model.Focus(), model.IndexOf(IDC_DAYS_COMBO));
    model.Key(DialogKey::kShiftTab);
    EXPECT_EQ(model.Focus(), ok);
    std::vector<int> focus;
    for (int i = 0; i < 4; ++i) {
      model.Key(DialogKey::kDown);
      focus.push_back(model.Items()[model.Focus()].Id());
    }
    EXPECT_EQ(focus, (std::vector<int>{IDC_RADIO_VISIT, IDC_RADIO_REMIND, IDC_DAYS_LABEL,
                                       IDC_DAYS_COMBO}));
    EXPECT_EQ(model.GetCheckedRadioButton(IDC_RADIO_VISIT, IDC_RADIO_REMIND), IDC_RADIO_REMIND);
    model.Key(DialogKey::kEnter);  // the list has the focus: the default button
    EXPECT_TRUE(model.Ended());
    EXPECT_EQ(model.Result(), platform::kIdOk);
    EXPECT_EQ(update.dialog.m_nRemindDays, 1);
  }
  // In the list the arrows move the selection, which chooses the reminder; from OK the
  // arrows reach the visit choice again, and the days are ignored.
  for (const bool backToVisit : {false, true}) {
    UpdateDialog update;
    DialogModel model(update.resource, update.dialog);
    model.Initialise();
    for (const DialogKey key :
         {DialogKey::kUp, DialogKey::kDown, DialogKey::kDown, DialogKey::kDown, DialogKey::kUp})
      model.Key(key);
    EXPECT_EQ(model.GetDlgItemText(IDC_DAYS_COMBO), "10");
    EXPECT_TRUE(model.Find(IDC_RADIO_REMIND)->checked);
    model.Key(DialogKey::kTab);
    if (backToVisit) {
      model.Key(DialogKey::kDown);
      EXPECT_EQ(model.Focus(), model.IndexOf(IDC_RADIO_VISIT));
    }
    model.Key(DialogKey::kEnter);
    EXPECT_EQ(update.dialog.m_nRemindDays, backToVisit ? 0 : 10);
  }
}

TEST(DialogModel, InputIsRoutedAsTheDialogManagerRoutesIt) {
  Recorder dialog;
  DialogModel model(
      Resource({Control(1, "Button", kChild | 0x10001, "OK"),
                Control(2, "Button", kChild | 0x10000, "Cancel"),
                Control(7, "Button", kChild | 0x10000, "&Later"),
                Control(8, "Button", kChild | 0x4, "Plain radio"),
                Control(9, "Button", kChild | 0x3, "Auto check box"),
                Control(10, "Button", kChild | 0x2, "Check box"),
                Control(11, "ComboBox", kChild | 0x3), Control(12, "msctls_updown32", kChild)},
               {{11, platform::kDialogInitAddComboString, "b"},
                {11, platform::kDialogInitAddComboString, "a"}}),
      dialog);
  model.Initialise();
  for (const int id : {1, 2, 7, 8, 9, 10})
    model.Click(model.IndexOf(id));
  model.Select(model.IndexOf(11), 1);
  model.Select(model.IndexOf(11), 2);  // no such item
  model.Spin(model.IndexOf(12), -1);
  EXPECT_EQ(dialog.calls, (Calls{"OK", "Cancel", "Command 7 0", "Command 8 0", "Command 9 0",
                                 "Command 10 0", "Command 11 1", "Notify 12 -722"}));
  // Only automatic buttons check themselves; an unsorted list keeps the order given.
  EXPECT_FALSE(model.Find(8)->checked);
  EXPECT_TRUE(model.Find(9)->checked);
  EXPECT_FALSE(model.Find(10)->checked);
  EXPECT_EQ(model.GetDlgItemText(11), "a");

  // Enter presses the focused push button, else the default one; Escape and the close
  // box cancel.
  dialog.calls.clear();
  model.Key(DialogKey::kEnter);
  model.Key(DialogKey::kTab);
  model.Key(DialogKey::kTab);
  model.Key(DialogKey::kEnter);
  model.Key(DialogKey::kSpace);
  model.Key(DialogKey::kEscape);
  model.Close();
  EXPECT_EQ(dialog.calls, (Calls{"OK", "Command 7 0", "Command 7 0", "Cancel", "Cancel"}));
  // Once ended, nothing more reaches the dialog.
  model.EndDialog(5);
  model.Key(DialogKey::kEnter);
  model.Click(0);
  model.CloseForGood();
  EXPECT_EQ(dialog.calls.size(), 5u);
  EXPECT_EQ(model.Result(), 5);
}

TEST(DialogModel, WithoutADefaultButtonEnterIsOkAndADisabledCancelKeepsTheDialogOpen) {
  Recorder dialog;
  DialogModel model(Resource({Control(2, "Button", kChild | 0x08000000, "Cancel"),
                              Control(3, "Static", kChild, "Text")}),
                    dialog);
  model.Initialise();
  EXPECT_EQ(model.Focus(), kNoControl);  // no tab stop
  model.Key(DialogKey::kEnter);
  model.Close();
  model.Click(0);  // disabled
  EXPECT_EQ(dialog.calls, Calls{"OK"});
  model.CloseForGood();
  EXPECT_TRUE(model.Ended());
  EXPECT_EQ(model.Result(), platform::kIdCancel);
}

TEST(DialogModel, FocusSkipsHiddenAndDisabledControlsWithinGroups) {
  Recorder dialog;
  dialog.focusFirst = false;
  // Two groups of radio buttons; the hidden OK button before the first mark belongs to
  // the last group. Hidden and disabled controls take neither the focus nor a check.
  DialogModel model(Resource({Control(1, "Button", kHidden | 0x10001, "OK"),
                              Control(11, "Button", kChild | 0x30009, "One"),
                              Control(12, "Button", kChild | 0x9, "Two"),
                              Control(13, "Button", kChild | 0x08000009, "Off"),
                              Control(21, "Button", kChild | 0x30009, "Three"),
                              Control(22, "Button", kHidden | 0x9, "Hidden"),
                              Control(23, "Button", kChild | 0x9, "Four")}),
                    dialog);
  model.Initialise();
  EXPECT_EQ(model.Focus(), kNoControl);  // the dialog declined the focus
  EXPECT_EQ(model.NextTabStop(kNoControl, false), model.IndexOf(11));
  EXPECT_EQ(model.NextTabStop(kNoControl, true), model.IndexOf(21));
  EXPECT_EQ(model.NextTabStop(model.IndexOf(21), false), model.IndexOf(11));
  EXPECT_EQ(model.NextInGroup(model.IndexOf(12), false), model.IndexOf(11));
  EXPECT_EQ(model.NextInGroup(model.IndexOf(11), true), model.IndexOf(12));
  EXPECT_EQ(model.NextInGroup(model.IndexOf(23), false), model.IndexOf(21));

  model.CheckRadioButton(11, 23, 13);
  model.SetFocus(model.IndexOf(21));
  model.Key(DialogKey::kUp);  // to Four, past the hidden one, checking it
  EXPECT_EQ(model.Focus(), model.IndexOf(23));
  EXPECT_EQ(model.GetCheckedRadioButton(11, 23), 13);  // the other group is untouched
  EXPECT_EQ(model.GetCheckedRadioButton(21, 23), 23);
  model.SetFocus(model.IndexOf(22));  // a hidden control cannot have it
  EXPECT_EQ(model.Focus(), model.IndexOf(23));
}

TEST(DialogModel, DialogInitFillsListsInTheirOwnOrderAndNothingElse) {
  Recorder dialog;
  DialogModel model(
      Resource({Control(5, "ListBox", kChild | 0x2), Control(6, "ComboBox", kChild | 0x103),
                Control(7, "Static", kChild, "Text")},
               {{5, platform::kDialogInitAddListString, "b"},
                {5, platform::kDialogInitAddListString, "A"},
                {6, platform::kDialogInitAddListString, "not for a combo box"},
                {6, platform::kDialogInitAddComboString, "Zeta"},
                {6, platform::kDialogInitAddComboString, "alpha"},
                {7, platform::kDialogInitAddComboString, "not for a text"},
                {9, platform::kDialogInitAddComboString, "no such control"},
                {6, 0x0143, "another message"}}),
      dialog);
  model.Initialise();
  EXPECT_EQ(model.Find(5)->items, (std::vector<std::string>{"A", "b"}));
  EXPECT_EQ(model.Find(6)->items, (std::vector<std::string>{"alpha", "Zeta"}));
  EXPECT_TRUE(model.Find(7)->items.empty());
  // Selections out of range select nothing.
  EXPECT_EQ(model.SetComboSelection(6, 1), 1);
  EXPECT_EQ(model.GetDlgItemText(6), "Zeta");
  EXPECT_EQ(model.SetComboSelection(6, 2), -1);
  EXPECT_EQ(model.GetDlgItemText(6), "");
  EXPECT_EQ(model.SetComboSelection(7, 0), -1);
  model.SetDlgItemText(7, "New");
  EXPECT_EQ(model.GetDlgItemText(7), "New");
  EXPECT_EQ(model.GetDlgItemText(99), "");
}

#include "ui/update_available_dlg.h"

#include "platform/text.h"
#include "ui/resource_ids.h"
#include "ui/texts.h"

namespace {

// The number of days an item of the list stands for, read as atoi reads it (leading
// blanks, a sign, digits up to the first other character, 0 without digits), held to the
// range of an int.
int DaysOf(const std::string& item) {
  std::size_t at = 0;
  int days = 0;
  ReadDecimalInt(item, at, days);
  return days;
}

}  // namespace

CUpdateAvailableDlg::CUpdateAvailableDlg(platform::WindowHandle parent)
    : CDialog(IDD_UPDATE_AVAILABLE, parent), m_nRemindDays(0) {}

bool CUpdateAvailableDlg::OnInitDialog() {
  CDialog::OnInitDialog();  // fills the days list from the dialog-init data

  SetWindowText(m_strProduct);
  SetDlgItemText(IDC_MESSAGE, FormatText(IDS_UPDATES_AVAILABLE, m_strProduct));
  SetDlgItemText(IDC_RADIO_VISIT, FormatText(IDS_VISIT_SITE, m_strProduct));
  SetDlgItemText(IDC_RADIO_REMIND, FormatText(IDS_REMIND_ME));
  SetDlgItemText(IDC_DAYS_LABEL, FormatText(IDS_DAYS));
  SetComboSelection(IDC_DAYS_COMBO, 0);
  CheckRadioButton(IDC_RADIO_VISIT, IDC_RADIO_REMIND, IDC_RADIO_VISIT);
  SetDlgItemText(platform::kIdOk, FormatText(IDS_OK));
  return true;  // the focus goes to the OK button
}

// The message map: the spin control of a translated template and the days list.
bool CUpdateAvailableDlg::OnCommand(int id, int code) {
  if (id == IDC_DAYS_COMBO && code == platform::kComboSelectionChange) {
    OnSelchangeDaysCombo();
    return true;
  }
  return CDialog::OnCommand(id, code);
}

bool CUpdateAvailableDlg::OnNotify(int id, int code, long& result) {
  if (id == IDC_DAYS_SPIN && code == platform::kSpinPositionChanging) {
    OnDeltaposDaysSpin(result);
    return true;
  }
  return CDialog::OnNotify(id, code, result);
}

// Changing the number of days chooses the reminder.
void CUpdateAvailableDlg::OnDeltaposDaysSpin(long& result) {
  CheckRadioButton(IDC_RADIO_VISIT, IDC_RADIO_REMIND, IDC_RADIO_REMIND);
  result = 0;  // lets the position change go ahead
}

void CUpdateAvailableDlg::OnSelchangeDaysCombo() {
  CheckRadioButton(IDC_RADIO_VISIT, IDC_RADIO_REMIND, IDC_RADIO_REMIND);
}

void CUpdateAvailableDlg::OnOK() {
  if (GetCheckedRadioButton(IDC_RADIO_VISIT, IDC_RADIO_REMIND) == IDC_RADIO_VISIT)
    m_nRemindDays = 0;
  else
    m_nRemindDays = DaysOf(GetDlgItemText(IDC_DAYS_COMBO));
  CDialog::OnOK();
}

platform::DialogNotes CUpdateAvailableDlg::Notes(int result) const {
  platform::DialogNotes notes;
  if (m_strPage.empty())
    return notes;  // no offer to speak of
  notes.subject = m_strPage;
  if (result == platform::kIdOk && m_nRemindDays == 0)
    notes.answer = "Opening " + m_strPage;
  else if (result == platform::kIdOk)
    notes.answer = "Reminding you in " + std::to_string(m_nRemindDays) +
                   (m_nRemindDays == 1 ? " day" : " days");
  return notes;
}

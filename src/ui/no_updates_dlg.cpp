#include "ui/no_updates_dlg.h"

#include "ui/resource_ids.h"
#include "ui/texts.h"

CNoUpdatesDlg::CNoUpdatesDlg(platform::WindowHandle parent) : CDialog(IDD_NO_UPDATES, parent) {}

bool CNoUpdatesDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(m_strProduct);
  SetDlgItemText(IDC_MESSAGE, FormatText(IDS_NO_UPDATES));
  SetDlgItemText(platform::kIdOk, FormatText(IDS_OK));
  return true;  // the focus goes to the OK button
}

platform::DialogNotes CNoUpdatesDlg::Notes(int) const {
  platform::DialogNotes notes;
  notes.cancel = LoadText(IDS_CANCEL);
  return notes;
}

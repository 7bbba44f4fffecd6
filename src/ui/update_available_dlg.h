#pragma once
#include <string>

#include "platform/dialog.h"

// Tells the user that updates exist for a product and offers to visit the web site now or
// to be reminded after a number of days. Built on template IDD_UPDATE_AVAILABLE.
class CUpdateAvailableDlg : public platform::CDialog {
public:
  explicit CUpdateAvailableDlg(platform::WindowHandle parent = nullptr);

  // After IDOK: 0 = visit the web site now, more than 0 = remind after that many days.
  int m_nRemindDays;
  // The product's name, filled in by the caller before DoModal.
  std::string m_strProduct;
  // The page offered, filled in by the caller: hosts that show the dialog as text name it.
  std::string m_strPage;

  // The page offered; after IDOK, what follows the answer.
  platform::DialogNotes Notes(int result) const override;

protected:
  bool OnInitDialog() override;
  void OnOK() override;
  bool OnCommand(int id, int code) override;
  bool OnNotify(int id, int code, long& result) override;

private:
  void OnDeltaposDaysSpin(long& result);
  void OnSelchangeDaysCombo();
};

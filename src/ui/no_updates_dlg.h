#pragma once
#include <string>

#include "platform/dialog.h"

// Tells the user that the product is up to date. Built on template IDD_NO_UPDATES.
class CNoUpdatesDlg : public platform::CDialog {
public:
  explicit CNoUpdatesDlg(platform::WindowHandle parent = nullptr);

  // The product's name, filled in by the caller before DoModal.
  std::string m_strProduct;

  platform::DialogNotes Notes(int result) const override;

protected:
  bool OnInitDialog() override;
};

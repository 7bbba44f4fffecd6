#include "update/check_product.h"

#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "settings/registry_settings.h"
#include "settings/remind_dates.h"
#include "ui/message_boxes.h"
#include "ui/no_updates_dlg.h"
#include "ui/update_available_dlg.h"
#include "update/manifest_download.h"
#include "update/update_page.h"

namespace {

// The manifest address: the "URL" setting when it is an http address as read, else the
// built-in one. Read afresh for every product.
std::string ManifestAddress() {
  std::string address;
  if (ReadRegString(kSettingsKey, kUrlValue, address) && IsHttpUrl(address))
    return address;
  return kDefaultManifestAddress;
}

void OfferUpdate(const std::string& productName, const std::string& page) {
  CUpdateAvailableDlg dialog;
  dialog.m_strProduct = productName;
  dialog.m_strPage = page;
  if (dialog.DoModal() != platform::kIdOk)
    return;  // closed without an answer: nothing stored, nothing opened
  if (dialog.m_nRemindDays != 0) {
    SetRemindDate(productName, dialog.m_nRemindDays);
  } else {
    platform::OpenUrl(page);
    ClearRemindDate(productName);
  }
}

}  // namespace

void CheckProductForUpdates(std::string productName, std::string version, std::string locale,
                            bool silent) {
  const platform::WindowHandle owner = platform::GetForegroundWindow();
  try {
    // A reminder still pending holds back silent checks, before any network traffic.
    if (silent) {
      const std::int64_t remindDate = GetRemindDate(productName);
      if (remindDate > platform::CurrentTime())
        return;
    }

    std::string manifest;
    std::string errorText;
    if (DownloadManifest(ManifestAddress(), manifest, errorText) != DL_OK) {
      if (!silent)
        ShowProductError(owner, productName, errorText);
      return;
    }

    const std::string page = FindUpdatePage(productName, version, locale, manifest);
    if (IsHttpUrl(page)) {
      OfferUpdate(productName, page);
    } else if (!silent) {
      CNoUpdatesDlg dialog;
      dialog.m_strProduct = productName;
      dialog.DoModal();
    }
  } catch (...) {
    if (!silent)
      ShowProductUnknownError(owner, productName);
  }
}

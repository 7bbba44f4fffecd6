#pragma once
#include <string>

#include "platform/window.h"

namespace platform {

// Results of a modal dialog.
enum DialogResult : int { kIdOk = 1, kIdCancel = 2 };

// Notification codes, with the values the Windows controls send.
enum Notification : int {
  kButtonClicked = 0,           // BN_CLICKED
  kComboSelectionChange = 1,    // CBN_SELCHANGE
  kSpinPositionChanging = -722  // UDN_DELTAPOS
};

class CDialog;

// An update offer as the program makes it. The dialog itself knows only the product; hosts
// that report in words need the page too: one without windows names the page it cannot
// offer, a terminal says what follows the answer.
struct UpdateOffer {
  std::string product;
  std::string page;
};

// A dialog while its host shows it: what a dialog does to its window and its controls.
class DialogWindow {
public:
  virtual ~DialogWindow() = default;
  // Carries out the template's dialog-init data (adds the listed strings to their controls).
  virtual void ExecuteDialogInit() = 0;
  virtual void SetWindowText(const std::string& text) = 0;
  virtual void SetDlgItemText(int id, const std::string& text) = 0;
  virtual std::string GetDlgItemText(int id) const = 0;
  // Checks `check` and unchecks every other button from `first` to `last`.
  virtual void CheckRadioButton(int first, int last, int check) = 0;
  // The first checked button from `first` to `last`, or 0 when none is.
  virtual int GetCheckedRadioButton(int first, int last) const = 0;
  // Selects a combo box item by index (CB_SETCURSEL); -1 when there is no such item.
  virtual int SetComboSelection(int id, int index) = 0;
  virtual void EndDialog(int result) = 0;
};

// Shows dialogs from the templates of the current resource module: on Windows real
// dialogs, on Linux the console host (a graphical host can take its place).
class DialogHost {
public:
  virtual ~DialogHost() = default;
  // Shows the dialog modally; the result it ended with, or -1 when it cannot be shown.
  virtual int RunModal(CDialog& dialog, unsigned templateId, WindowHandle parent) = 0;
  // The offer the next update dialog makes, until it is set to null again.
  virtual void SetUpdateOffer(const UpdateOffer* /*offer*/) {}
  // The answer to the offer is carried out now: the page is opened (remindDays 0) or the
  // reminder is stored for that many days.
  virtual void OfferAnswered(const UpdateOffer& /*offer*/, int /*remindDays*/) {}

protected:
  // For hosts: connects a dialog to its window for as long as it is shown, and
  // disconnects it however the showing ends.
  class Attachment {
  public:
    Attachment(CDialog& dialog, DialogWindow* window) : m_dialog(dialog) { Attach(dialog, window); }
    ~Attachment() { Attach(m_dialog, nullptr); }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

  private:
    CDialog& m_dialog;
  };

  // For hosts: deliver a dialog's events.
  static void Attach(CDialog& dialog, DialogWindow* window);
  static bool InitDialog(CDialog& dialog);
  static void Ok(CDialog& dialog);
  static void Cancel(CDialog& dialog);
  static bool Command(CDialog& dialog, int id, int code);
  static bool Notify(CDialog& dialog, int id, int code, long& result);
};

// The host that shows dialogs: the platform's own unless another was set.
DialogHost& GetDialogHost();
// Makes `host` show the dialogs from now on; null restores the platform's own.
void SetDialogHost(DialogHost* host);

// Base of the program's modal dialogs, in the manner of the Windows framework's CDialog:
// DoModal shows the template; the host calls OnInitDialog once the controls exist, OnOK
// for the OK button or Enter, OnCancel for the close box or Escape, and routes other
// notifications to OnCommand and OnNotify. Control operations act on the dialog while it
// is shown and do nothing otherwise.
class CDialog {
public:
  explicit CDialog(unsigned templateId, WindowHandle parent = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // IDOK, IDCANCEL (or whatever EndDialog was given), -1 when the dialog cannot be shown.
  int DoModal();

protected:
  // The base executes the dialog-init data. True: the focus goes to the first tab stop.
  virtual bool OnInitDialog();
  virtual void OnOK();      // ends the dialog with IDOK
  virtual void OnCancel();  // ends the dialog with IDCANCEL
  // A control's command notification; true when handled.
  virtual bool OnCommand(int id, int code);
  // A common control's notification; true when handled, with its result.
  virtual bool OnNotify(int id, int code, long& result);

  void EndDialog(int result);
  void SetWindowText(const std::string& text);
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  void CheckRadioButton(int first, int last, int check);
  int GetCheckedRadioButton(int first, int last) const;
  int SetComboSelection(int id, int index);

private:
  friend class DialogHost;
  unsigned m_templateId;
  WindowHandle m_parent;
  DialogWindow* m_window = nullptr;
};

}  // namespace platform

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

// What a dialog adds in words, for hosts that show dialogs as text, to what its controls
// say. Empty where it has nothing to add.
struct DialogNotes {
  // What the dialog is about, for a reader who cannot answer it (the page an update dialog
  // offers, to be opened by hand).
  std::string subject;
  // What follows the answer the dialog ended with.
  std::string answer;
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

// Shows dialogs from the templates of the current resource module, and message boxes: on
// Windows the system's, on Linux in a window, on the terminal or as one line each.
class DialogHost {
public:
  virtual ~DialogHost() = default;
  // Shows the dialog modally; the result it ended with, or -1 when it cannot be shown.
  virtual int RunModal(CDialog& dialog, unsigned templateId, WindowHandle parent) = 0;
  // What ShowMessageBox (platform/window.h) shows.
  virtual void ShowMessageBox(WindowHandle owner, const std::string& text,
                              const std::string& caption, MessageBoxStyle style) = 0;

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

// The host that shows dialogs and message boxes: the platform's own unless another was set.
DialogHost& GetDialogHost();
// Makes `host` show them from now on; null restores the platform's own.
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

  // For hosts that show the dialog as text: its words beyond its controls, once it has
  // ended with `result` (0 while it is shown). None unless a dialog gives some.
  virtual DialogNotes Notes(int result) const;

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
  friend class DialogModel;
  unsigned m_templateId;
  WindowHandle m_parent;
  DialogWindow* m_window = nullptr;
};

}  // namespace platform

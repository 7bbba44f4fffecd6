// The Windows dialog host: real modal dialogs from the templates of the current resource
// module, centred on the desktop, with the template's dialog-init data carried out, and the
// system's message boxes.
#include "platform/dialog.h"

#include <exception>

#include "platform/dialog_template.h"
#include "platform/win32/win32_resources.h"

#include <commctrl.h>  // after <windows.h>, which it needs

namespace platform {

namespace {

HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

// Loads the common controls and registers their window classes (drawn with visual styles
// where the application manifest asks for version 6 of the library), once, before the
// first dialog: a run that shows no dialog never loads them. The up-down control of a
// translated template exists only once this has run.
void LoadCommonControls() {
  static const bool loaded = [] {
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    HMODULE library = ::LoadLibraryA("comctl32.dll");  // kept for the whole run
    if (!library)
      return false;
    // Through the generic function type, as the one GetProcAddress returns stands for any.
    const auto init = reinterpret_cast<InitFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, "InitCommonControlsEx")));
    if (!init)
      return false;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    if (init(&controls))
      return true;
    // A common-controls library older than version 6 does not know the standard classes.
    controls.dwICC = ICC_WIN95_CLASSES;
    return init(&controls) != FALSE;
  }();
  (void)loaded;  // without them a dialog is still tried; one that needs them fails
}

void CenterOnDesktop(HWND window) {
  RECT area;
  RECT frame;
  if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) || !::GetWindowRect(window, &frame))
    return;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class Win32DialogWindow : public DialogWindow {
public:
  explicit Win32DialogWindow(const DialogResource& resource) : m_resource(resource) {}

  HWND m_hwnd = nullptr;

  void ExecuteDialogInit() override {
    // Only the two adding messages are carried out: the data comes from a library that
    // may have been translated by others, and must not send the controls anything else.
    for (const DialogInitEntry& entry : m_resource.init) {
      UINT message;
      if (entry.message == kDialogInitAddComboString)
        message = CB_ADDSTRING;
      else if (entry.message == kDialogInitAddListString)
        message = LB_ADDSTRING;
      else
        continue;
      ::SendDlgItemMessageA(m_hwnd, entry.control, message, 0,
                            reinterpret_cast<LPARAM>(entry.text.c_str()));
    }
  }

  void SetWindowText(const std::string& text) override { ::SetWindowTextA(m_hwnd, text.c_str()); }

  void SetDlgItemText(int id, const std::string& text) override {
    ::SetDlgItemTextA(m_hwnd, id, text.c_str());
  }

  std::string GetDlgItemText(int id) const override {
    HWND control = ::GetDlgItem(m_hwnd, id);
    if (!control)
      return std::string();
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(control)) + 1, '\0');
    const int length = ::GetWindowTextA(control, &text[0], static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
  }

  void CheckRadioButton(int first, int last, int check) override {
    ::CheckRadioButton(m_hwnd, first, last, check);
  }

  int GetCheckedRadioButton(int first, int last) const override {
    for (int id = first; id <= last; ++id) {
      if (::IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED)
        return id;
    }
    return 0;
  }

  int SetComboSelection(int id, int index) override {
    return static_cast<int>(::SendDlgItemMessageA(m_hwnd, id, CB_SETCURSEL, index, 0));
  }

  void EndDialog(int result) override { ::EndDialog(m_hwnd, result); }

private:
  const DialogResource& m_resource;
};

class Win32DialogHost : public DialogHost {
public:
  int RunModal(CDialog& dialog, unsigned templateId, WindowHandle parent) override {
    DialogResource resource;
    if (!LoadDialogResource(templateId, resource))
      return -1;
    LoadCommonControls();

    Shown shown{&dialog, Win32DialogWindow(resource), nullptr};
    const Attachment attachment(dialog, &shown.window);
    // The system loads the template's icons from the module that holds the template.
    const INT_PTR result =
        ::DialogBoxIndirectParamA(win32::ModuleHandle(*resource.module),
                                  reinterpret_cast<LPCDLGTEMPLATEA>(resource.templateBytes.data),
                                  ToHwnd(parent), &DialogProc, reinterpret_cast<LPARAM>(&shown));
    if (shown.failure)
      std::rethrow_exception(shown.failure);
    return static_cast<int>(result);
  }

  void ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                      MessageBoxStyle style) override {
    ::MessageBoxA(ToHwnd(owner), text.c_str(), caption.c_str(), static_cast<UINT>(style));
  }

private:
  struct Shown {
    CDialog* dialog;
    Win32DialogWindow window;
    std::exception_ptr failure;  // raised by a handler; raised again once the dialog is gone
  };

  // Called by the system's dialog code, which an exception must not cross: a handler's
  // failure ends the dialog and is raised again after it.
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Shown* shown = message == WM_INITDIALOG
                       ? reinterpret_cast<Shown*>(lParam)
                       : reinterpret_cast<Shown*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!shown)
      return FALSE;
    try {
      return HandleMessage(*shown, hwnd, message, wParam, lParam);
    } catch (...) {
      shown->failure = std::current_exception();
      ::EndDialog(hwnd, -1);
      return TRUE;
    }
  }

  static INT_PTR HandleMessage(Shown& shown, HWND hwnd, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    switch (message) {
      case WM_INITDIALOG:
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        shown.window.m_hwnd = hwnd;
        CenterOnDesktop(hwnd);
        return InitDialog(*shown.dialog) ? TRUE : FALSE;
      case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        // Enter and the OK button give IDOK; Escape, the close box and Alt+F4 give IDCANCEL.
        if (id == IDOK && code == BN_CLICKED) {
          Ok(*shown.dialog);
          return TRUE;
        }
        if (id == IDCANCEL && code == BN_CLICKED) {
          Cancel(*shown.dialog);
          return TRUE;
        }
        return Command(*shown.dialog, id, code) ? TRUE : FALSE;
      }
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        long result = 0;
        if (!Notify(*shown.dialog, static_cast<int>(header->idFrom), static_cast<int>(header->code),
                    result))
          return FALSE;
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
      }
      default: return FALSE;
    }
  }
};

}  // namespace

DialogHost& PlatformDialogHost() {
  static Win32DialogHost host;
  return host;
}

}  // namespace platform

// The Windows dialog host: real modal dialogs from the templates of the current resource
// module, centred on the desktop, with the template's dialog-init data carried out.
#include "platform/dialog.h"

#include <vector>

#include "platform/dialog_template.h"
#include "platform/win32/win32_resources.h"

#include <commctrl.h>  // after <windows.h>, which it needs

namespace platform {

namespace {

// The message codes of dialog-init data for adding strings to list and combo boxes.
constexpr WORD kInitAddListString = 0x0401;

HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

// The module that holds a dialog's template: the current resource module, or the
// program's own resources when a locale library lacks the template.
HINSTANCE TemplateModule(unsigned templateId) {
  HINSTANCE current = win32::CurrentResourceInstance();
  if (::FindResourceA(current, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5)))
    return current;
  return win32::ProgramInstance();
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
  Win32DialogWindow(HINSTANCE module, unsigned templateId)
      : m_module(module), m_templateId(templateId) {}

  HWND m_hwnd = nullptr;

  void ExecuteDialogInit() override {
    HRSRC found = ::FindResourceA(m_module, MAKEINTRESOURCEA(m_templateId),
                                  MAKEINTRESOURCEA(kDialogInitResourceType));
    if (!found)
      return;
    HGLOBAL loaded = ::LoadResource(m_module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data)
      return;
    std::vector<DialogInitEntry> entries;
    ParseDialogInit(static_cast<const unsigned char*>(data), ::SizeofResource(m_module, found),
                    entries);
    // Only the two adding messages are carried out: the data comes from a library that
    // may have been translated by others, and must not send the controls anything else.
    for (const DialogInitEntry& entry : entries) {
      UINT message;
      if (entry.message == kDialogInitAddComboString)
        message = CB_ADDSTRING;
      else if (entry.message == kInitAddListString)
        message = LB_ADDSTRING;
      else
        continue;
      ::SendDlgItemMessageA(m_hwnd, entry.control, message, 0,
                            reinterpret_cast<LPARAM>(entry.text.c_str()));
    }
  }

  void SetWindowText(const std::string& text) override {
    ::SetWindowTextA(m_hwnd, text.c_str());
  }

  void SetDlgItemText(int id, const std::string& text) override {
    ::SetDlgItemTextA(m_hwnd, id, text.c_str());
  }

  std::string GetDlgItemText(int id) const override {
    HWND control = ::GetDlgItem(m_hwnd, id);
    if (!control)
      return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(::GetWindowTextLengthA(control)) + 1);
    const int length = ::GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
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

  void EndDialog(int result) override {
    ::EndDialog(m_hwnd, result);
  }

private:
  static constexpr unsigned kDialogInitResourceType = 240;
  HINSTANCE m_module;
  unsigned m_templateId;
};

class Win32DialogHost : public DialogHost {
public:
  int RunModal(CDialog& dialog, unsigned templateId, WindowHandle parent) override {
    // The up-down control of a translated template lives in the common controls.
    static const bool registered = [] {
      INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
      return ::InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)registered;

    HINSTANCE module = TemplateModule(templateId);
    Shown shown{&dialog, Win32DialogWindow(module, templateId)};
    const INT_PTR result = ::DialogBoxParamA(module, MAKEINTRESOURCEA(templateId),
                                             ToHwnd(parent), &DialogProc,
                                             reinterpret_cast<LPARAM>(&shown));
    Attach(dialog, nullptr);
    return static_cast<int>(result);
  }

private:
  struct Shown {
    CDialog* dialog;
    Win32DialogWindow window;
  };

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      auto* shown = reinterpret_cast<Shown*>(lParam);
      ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      shown->window.m_hwnd = hwnd;
      Attach(*shown->dialog, &shown->window);
      CenterOnDesktop(hwnd);
      return InitDialog(*shown->dialog) ? TRUE : FALSE;
    }
    auto* shown = reinterpret_cast<Shown*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!shown)
      return FALSE;
    switch (message) {
      case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        // Enter and the OK button give IDOK; Escape, the close box and Alt+F4 give IDCANCEL.
        if (id == IDOK && code == BN_CLICKED) {
          Ok(*shown->dialog);
          return TRUE;
        }
        if (id == IDCANCEL && code == BN_CLICKED) {
          Cancel(*shown->dialog);
          return TRUE;
        }
        return Command(*shown->dialog, id, code) ? TRUE : FALSE;
      }
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        long result = 0;
        if (!Notify(*shown->dialog, static_cast<int>(header->idFrom),
                    static_cast<int>(header->code), result))
          return FALSE;
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
      }
      default:
        return FALSE;
    }
  }
};

}  // namespace

DialogHost& PlatformDialogHost() {
  static Win32DialogHost host;
  return host;
}

}  // namespace platform

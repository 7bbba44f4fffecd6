// Measures the controls of a dialog inside the process that shows it: only there are the
// dialog's font handles valid.
#include <windows.h>

#include <string>

#include "fit_probe.h"

namespace {

std::ostream* g_out = nullptr;

// Half the width of a digit: the gap Windows and Wine leave between a button's mark and
// its text.
int MarkGap(HDC dc) {
  SIZE size{};
  GetTextExtentPoint32W(dc, L"0", 1, &size);
  return size.cx / 2;
}

bool IsMarkButton(LONG kind) {
  return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
         kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE;
}

// The DrawText flags the control draws its text with, and the room it leaves the text
// (room starts as the client rectangle); false when the control draws no text of its own.
bool DrawingRules(HDC dc, const std::wstring& cls, LONG style, UINT& flags, SIZE& room) {
  if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
    const LONG kind = style & SS_TYPEMASK;
    if (kind > SS_RIGHT && kind != SS_LEFTNOWORDWRAP)
      return false;  // icons, frames, pictures
    flags = DT_EXPANDTABS | (kind == SS_LEFTNOWORDWRAP ? 0 : DT_WORDBREAK) |
            ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    return true;
  }
  if (lstrcmpiW(cls.c_str(), L"Button") != 0)
    return false;
  const LONG kind = style & BS_TYPEMASK;
  flags = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
  if (IsMarkButton(kind)) {
    room.cx -= GetSystemMetrics(SM_CXMENUCHECK) + MarkGap(dc);
    return true;
  }
  if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
    // The frame, and the focus rectangle inside it.
    room.cx -= 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
    room.cy -= 2 * (GetSystemMetrics(SM_CYEDGE) + 1);
    return true;
  }
  return false;
}

void Measure(HWND control) {
  wchar_t cls[64] = L"";
  GetClassNameW(control, cls, 64);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(control, &text[0], static_cast<int>(text.size()))));
  RECT client{};
  GetClientRect(control, &client);
  SIZE room{client.right - client.left, client.bottom - client.top};
  HDC dc = GetDC(control);
  // The dialog itself is not shown yet: the control's own style says whether it will be.
  if (text.empty() || !(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) || dc == nullptr) {
    if (dc != nullptr)
      ReleaseDC(control, dc);
    return;
  }
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  UINT flags = 0;
  if (DrawingRules(dc, cls, GetWindowLongW(control, GWL_STYLE), flags, room)) {
    // Wrapped at the room's width; a word wider than that widens the result.
    RECT need{0, 0, room.cx > 0 ? room.cx : 1, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, flags | DT_CALCRECT);
    *g_out << "fit id=" << GetDlgCtrlID(control) << " need=" << need.right - need.left << ","
           << need.bottom - need.top << " room=" << room.cx << "," << room.cy << "\n";
  }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
}

BOOL CALLBACK MeasureChild(HWND child, LPARAM) {
  Measure(child);
  return TRUE;
}

// After a dialog procedure has handled WM_INITDIALOG: the texts are set, the sizes final.
LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && message->message == WM_INITDIALOG && g_out != nullptr)
    EnumChildWindows(message->hwnd, MeasureChild, 0);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void WatchFits(std::ostream& out) {
  g_out = &out;
  SetWindowsHookExW(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId());
}

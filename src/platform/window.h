#pragma once
#include <string>

namespace platform {

struct Window;
using WindowHandle = Window*;  // a top-level window of the desktop, or none

// The window in the foreground now, or none.
WindowHandle GetForegroundWindow();

// Message box styles the program uses.
enum MessageBoxStyle : unsigned {
  kMessageBoxPlain = 0x00,  // OK button, no icon
  kMessageBoxError = 0x10,  // OK button, error icon
};

// A modal message box with one OK button; what it returns is of no interest.
void ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                    MessageBoxStyle style);

}  // namespace platform

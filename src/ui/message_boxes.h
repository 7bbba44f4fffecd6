#pragma once
#include <string>

#include "platform/window.h"

// The program's four message-box forms, each with a single OK button.

// Caption of the start-up message boxes; not translated.
extern const char kProgramCaption[];
// Text of the start-up box for an unrecognised failure; fixed, not the string-table entry.
extern const char kStartupUnknownErrorText[];

// A failure with a text reached the entry point: no owner, the program caption, no icon.
void ShowStartupError(const std::string& text);
// Any other failure reached the entry point: as above, with "Unknown error".
void ShowStartupUnknownError();

// The text of a product error: IDS_ERROR, ": ", then the error text as it is.
std::string ProductErrorText(const std::string& errorText);

// A product's check failed with an error text: owned by the window that was in the
// foreground when the check began, captioned with the product's name, error icon.
void ShowProductError(platform::WindowHandle owner, const std::string& productName,
                      const std::string& errorText);
// Any other failure escaped a product's check: as above, with IDS_UNKNOWN_ERROR.
void ShowProductUnknownError(platform::WindowHandle owner, const std::string& productName);

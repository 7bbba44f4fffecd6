#include "ui/message_boxes.h"

#include "ui/resource_ids.h"
#include "ui/texts.h"

const char kProgramCaption[] = "Kavex Web Update";
const char kStartupUnknownErrorText[] = "Unknown error";

void ShowStartupError(const std::string& text) {
  platform::ShowMessageBox(nullptr, text, kProgramCaption, platform::kMessageBoxPlain);
}

void ShowStartupUnknownError() {
  ShowStartupError(kStartupUnknownErrorText);
}

std::string ProductErrorText(const std::string& errorText) {
  return LoadText(IDS_ERROR) + ": " + errorText;
}

void ShowProductError(platform::WindowHandle owner, const std::string& productName,
                      const std::string& errorText) {
  platform::ShowMessageBox(owner, ProductErrorText(errorText), productName,
                           platform::kMessageBoxError);
}

void ShowProductUnknownError(platform::WindowHandle owner, const std::string& productName) {
  platform::ShowMessageBox(owner, LoadText(IDS_UNKNOWN_ERROR), productName,
                           platform::kMessageBoxError);
}

#pragma once
#include <string>

namespace platform {

// Hands an address to the desktop to be opened, normally in the web browser. Does not
// wait for the browser and does not report whether it opened.
void OpenUrl(const std::string& url);

}  // namespace platform

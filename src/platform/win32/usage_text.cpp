#include "platform/usage_text.h"

namespace platform {

const char kUsageText[] =
    "\nKavexWebUpdate version 1.0\n"
    "\n"
    "USAGE 1: <appName> <appVersion> [<silent>] [<localeID>]\n"
    "\n"
    "  <appName> and <appVersion> are the app and version to check for updates.\n"
    "  <silent> must be 0 or 1 (default is 0) to turn user messages ON/OFF.\n"
    "  <localeID> must be the 2-letter locale code (default is \"EN\").\n"
    "\n"
    "USAGE 2: <silent>\n"
    "\n"
    "  where <silent> is 0 or 1 to turn user messages ON/OFF.\n"
    "\n"
    "In both cases, it also searches in the CommonAppData folder for xml files\n"
    "with product info that it should check for updates.\n"
    "\n"
    "To create a log, set the registry item Kavex\\WebUpdates\\LogFile.\n";

}  // namespace platform

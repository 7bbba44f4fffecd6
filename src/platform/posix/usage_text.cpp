#include "platform/usage_text.h"

namespace platform {

// The places are those of folders.cpp and registry.cpp; kavexwebupd(1) says the same.
const char kUsageText[] =
    "\nKavexWebUpdate version 1.0\n"
    "\n"
    "USAGE 1: <appName> <appVersion> [<silent>] [<localeID>]\n"
    "\n"
    "  <appName> and <appVersion> are the app and version to check for updates.\n"
    "  <silent> must be 0 or 1 (default is 0) to turn user messages ON/OFF.\n"
    "  <localeID> is the locale code, such as de or pt-br (default is \"en\").\n"
    "\n"
    "USAGE 2: <silent>\n"
    "\n"
    "  where <silent> is 0 or 1 to turn user messages ON/OFF.\n"
    "\n"
    "In both cases, it also searches /usr/share/Dexivane/KavexWebUpdate/ (or\n"
    "$KAVEXWEBUPD_COMMON_APPDATA/Dexivane/KavexWebUpdate/) for xml files with\n"
    "product info that it should check for updates.\n"
    "\n"
    "To create a log, set \"LogFile\" under [Software\\Kavex\\WebUpdates] in the\n"
    "settings file ~/.config/kavexwebupd/settings.conf (or the file named by\n"
    "$KAVEXWEBUPD_SETTINGS, or the one in $XDG_CONFIG_HOME): see kavexwebupd(1).\n";

}  // namespace platform

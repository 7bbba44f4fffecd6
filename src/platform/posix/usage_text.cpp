#include "platform/usage_text.h"

namespace platform {

// The places are those of folders.cpp and registry.cpp; kavexwebupd(1) says the same.
// clang-format off: the shared lines and the platform's own, in the order shown.
const char kUsageText[] =
    KWU_USAGE_FIRST
    "  <localeID> is the locale code, such as de or pt-br (default is \"en\").\n"
    KWU_USAGE_SECOND
    "In both cases, it also searches /usr/share/Dexivane/KavexWebUpdate/ (or\n"
    "$KAVEXWEBUPD_COMMON_APPDATA/Dexivane/KavexWebUpdate/) for xml files with\n"
    "product info that it should check for updates.\n"
    "\n"
    "To create a log, set \"LogFile\" under [Software\\Kavex\\WebUpdates] in the\n"
    "settings file ~/.config/kavexwebupd/settings.conf (or the file named by\n"
    "$KAVEXWEBUPD_SETTINGS, or the one in $XDG_CONFIG_HOME): see kavexwebupd(1).\n";
// clang-format on

}  // namespace platform

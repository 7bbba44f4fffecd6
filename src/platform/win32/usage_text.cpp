#include "platform/usage_text.h"

namespace platform {

// clang-format off: the shared lines and the platform's own, in the order shown.
const char kUsageText[] =
    KWU_USAGE_FIRST
    "  <localeID> must be the 2-letter locale code (default is \"EN\").\n"
    KWU_USAGE_SECOND
    "In both cases, it also searches in the CommonAppData folder for xml files\n"
    "with product info that it should check for updates.\n"
    "\n"
    "To create a log, set the registry item Kavex\\WebUpdates\\LogFile.\n";
// clang-format on

}  // namespace platform

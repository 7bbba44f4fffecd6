#pragma once
#include "platform/dialog.h"

namespace platform {
namespace posix {

// Where the graphical module is looked for: KAVEXWEBUPD_GTK_MODULE when set, else beside
// the program, else in lib/kavexwebupd/modules/ next to the program's folder (bin/): a
// folder of its own, since a library directly in lib/<package>/ makes packaging tools
// run ldconfig for it.
const char kGtkModuleVariable[] = "KAVEXWEBUPD_GTK_MODULE";

// Loads the graphical module and connects to the display; null when the module or GTK
// is missing or GTK cannot start. The host lives until the program ends.
DialogHost* LoadGtkDialogHost();

}  // namespace posix
}  // namespace platform

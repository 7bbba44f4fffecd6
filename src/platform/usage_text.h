#pragma once

namespace platform {

// The text shown for a command line the program does not understand. It names the places
// the program reads on this platform: on Windows the common application-data folder and
// the registry, as the Windows program has always said; on Linux the product folder, the
// settings file and the locale as the Linux build has them. It begins and ends with a
// line feed, and no line is longer than 80 characters.
extern const char kUsageText[];

}  // namespace platform

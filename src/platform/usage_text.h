#pragma once

namespace platform {

// The text shown for a command line the program does not understand. It names the places
// the program reads on this platform: on Windows the common application-data folder and
// the registry, as the Windows program has always said; on Linux the product folder, the
// settings file and the locale as the Linux build has them. It begins and ends with a
// line feed, and no line is longer than 80 characters.
extern const char kUsageText[];

// The lines the two texts share, joined with each platform's own at compile time: the
// first usage up to the locale's line, and the second usage.
#define KWU_USAGE_FIRST                                                          \
  "\nKavexWebUpdate version 1.0\n"                                               \
  "\n"                                                                           \
  "USAGE 1: <appName> <appVersion> [<silent>] [<localeID>]\n"                    \
  "\n"                                                                           \
  "  <appName> and <appVersion> are the app and version to check for updates.\n" \
  "  <silent> must be 0 or 1 (default is 0) to turn user messages ON/OFF.\n"
#define KWU_USAGE_SECOND                                       \
  "\n"                                                         \
  "USAGE 2: <silent>\n"                                        \
  "\n"                                                         \
  "  where <silent> is 0 or 1 to turn user messages ON/OFF.\n" \
  "\n"

}  // namespace platform

#pragma once
#include <string>
#include <vector>

#include "platform/entry.h"

namespace platform {

// Initialises the application framework from the four entry arguments.
// False means the program cannot show its user interface.
bool InitApplication(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                     int showCommand);

// The runtime's parsed argument vector; element 0 is the program path.
std::vector<std::string> CommandLineArguments();

// Full path of the running executable (empty if it cannot be found).
std::string ModuleFileName();

// Splits a full path into its drive ("C:" on Windows, empty on Linux) and its folder,
// which ends with the path separator.
void SplitPath(const std::string& path, std::string& drive, std::string& folder);

// The folder that holds the program's Locale folder, for the program in <programFolder>
// (a full path ending with the separator); the result ends with the separator too.
// Windows: the program's folder. Linux: the program's folder when it holds a Locale
// folder (a build tree, an unpacked archive), else the program's private library folder
// beside its bin/ folder, <programFolder>../lib/kavexwebupd/ written without the "..".
std::string LocaleBaseFolder(const std::string& programFolder);

// The separator between folder names in the platform's paths.
extern const char kPathSeparator;

}  // namespace platform

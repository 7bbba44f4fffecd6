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

// The separator between folder names in the platform's paths.
extern const char kPathSeparator;

}  // namespace platform

#pragma once
#include <string>

// The FileArgs value of the manifest section headed "[<productName> <versionKey>]",
// following Sections redirections downwards; the empty text when there is none.
std::string FindFileArgs(const std::string& productName, const std::string& versionKey,
                         const std::string& manifest);

#pragma once
#include <string>
#include <vector>

// Runs kavexwebupd-manifest with its arguments (without the program name); what it prints
// goes to out and err. Returns the exit code (tool_commands.h).
int RunManifestTool(const std::vector<std::string>& arguments, std::string& out, std::string& err);

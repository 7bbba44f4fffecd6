#pragma once
#include <string>
#include <vector>

// Exit codes of kavexwebupd-manifest.
enum {
  kExitClean = 0,     // no finding (explain: explained, whatever the outcome)
  kExitFindings = 1,  // findings, or product files the program skips
  kExitUnusable = 2,  // bad arguments, a source that cannot be read or downloaded
};

// Runs the tool with its arguments (without the program name); what it prints goes to out
// and err. Returns the exit code.
int RunManifestTool(const std::vector<std::string>& arguments, std::string& out, std::string& err);

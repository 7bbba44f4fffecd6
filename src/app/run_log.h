#pragma once
#include <string>

#include "platform/log.h"

// Writes the log to the file named by the settings value "LogFile", replacing its content.
// Without that value, or when the file does not open, nothing is written or reported.
void WriteLogFile(const std::string& log);

// The log file's bytes for a log text: the text and one line feed, every line feed stored
// as CR LF, as the Windows runtime's text mode writes it.
std::string LogFileContent(const std::string& log);

#pragma once
#include <string>

// Texts of the string table, looked up through the current resource module (a locale
// library's own texts, or the program's for an entry the library lacks).

// The entry as it stands.
std::string LoadText(unsigned id);

// The entry used as a printf-style format with no argument ("%%" gives one "%").
std::string FormatText(unsigned id);
// The entry used as a format whose one argument is a text (the product name, "%s").
std::string FormatText(unsigned id, const std::string& argument);
// The entry used as a format whose one argument is a number (the status code, "%d").
std::string FormatText(unsigned id, long argument);

#pragma once
#include <string>

// Operations on the program's 8-bit text that the standard string lacks. Letter case is
// that of ASCII: other bytes are left as they are, on every platform alike.

std::string ToLower(std::string text);

// Removes blanks, tabs, line breaks, vertical tabs and form feeds at both ends.
std::string Trim(const std::string& text);
std::string TrimRight(const std::string& text);

bool EqualsNoCase(const std::string& a, const std::string& b);
bool StartsWith(const std::string& text, const std::string& prefix);

// The value of a hexadecimal digit of either case, or -1 for any other character.
int HexDigitValue(char c);

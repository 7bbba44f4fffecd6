#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Operations on the program's 8-bit text that the standard string lacks, for owned texts
// and for views into a larger one alike. Letter case is that of ASCII: other bytes are
// left as they are, on every platform alike.

std::string ToLower(std::string_view text);

// Removes blanks, tabs, line breaks, vertical tabs and form feeds at both ends.
std::string Trim(const std::string& text);
std::string TrimRight(const std::string& text);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);

// Reads a decimal integer at text[at] as the C runtime's "%d" and atoi read one: white
// space skipped, an optional sign, then the digits up to the first other character, and
// moves `at` past it. A value beyond the range of an int is held to the nearest end of
// that range, where the runtime's own result would be undefined. False, with `at` and
// `value` unchanged, when no digit follows.
bool ReadDecimalInt(const std::string& text, std::size_t& at, int& value);

// The value of a hexadecimal digit of either case, or -1 for any other character.
int HexDigitValue(char c);

#pragma once
#include <string>

// printf-style formatting of string-table entries. Entries come from resource modules
// that others may translate, so a format is outside input: whatever conversions it holds,
// only the one documented argument is ever read. The first conversion shows it; any
// further conversion shows nothing, "%n" writes nothing, "%%" gives one percent sign, and
// a percent sign that starts no conversion stays as it is.

// The argument a format entry is given, if any.
class FormatArgument {
public:
  FormatArgument() = default;  // none
  explicit FormatArgument(const std::string& text) : m_kind(kText), m_text(text) {}
  explicit FormatArgument(long number) : m_kind(kNumber), m_number(number) {}

  enum Kind { kNone, kText, kNumber };
  Kind GetKind() const { return m_kind; }
  const std::string& GetText() const { return m_text; }
  long GetNumber() const { return m_number; }

private:
  Kind m_kind = kNone;
  std::string m_text;
  long m_number = 0;
};

std::string FormatEntry(const std::string& format, const FormatArgument& argument);

#include "ui/text_format.h"

#include <cstdio>
#include <cstring>

namespace {

// Widths and precisions beyond this are taken as this, so an entry cannot ask for a
// gigabyte of blanks.
constexpr int kLargestWidth = 256;

// True when c is one of the characters of set. A zero byte, which a translated entry may
// hold, is in no set: strchr would find the set's own terminator, and a conversion with a
// zero in it would hand snprintf a format cut short at that zero.
bool IsOneOf(char c, const char* set) {
  return c != '\0' && std::strchr(set, c) != nullptr;
}

struct Conversion {
  bool leftAlign = false;
  std::string flags;  // as written, for number conversions
  int width = -1;
  int precision = -1;
  char type = 0;
  std::size_t end = 0;  // index after the conversion in the format
};

int ReadNumber(const std::string& format, std::size_t& i) {
  int value = 0;
  while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
    if (value <= kLargestWidth)
      value = value * 10 + (format[i] - '0');
    ++i;
  }
  return value > kLargestWidth ? kLargestWidth : value;
}

// Reads the conversion that starts at format[start] == '%'; false when none does.
bool ParseConversion(const std::string& format, std::size_t start, Conversion& conversion) {
  std::size_t i = start + 1;
  // An argument position ("%1$s") names the one argument there is, or none.
  std::size_t digits = i;
  while (digits < format.size() && format[digits] >= '0' && format[digits] <= '9')
    ++digits;
  if (digits > i && digits < format.size() && format[digits] == '$')
    i = digits + 1;
  while (i < format.size() && IsOneOf(format[i], "-+ #0'")) {
    if (format[i] == '-')
      conversion.leftAlign = true;
    if (format[i] != '\'')
      conversion.flags += format[i];
    ++i;
  }
  // A '*' would take a width from the arguments: none is read, the width is left out.
  if (i < format.size() && format[i] == '*')
    ++i;
  else
    conversion.width =
        i < format.size() && format[i] >= '0' && format[i] <= '9' ? ReadNumber(format, i) : -1;
  if (i < format.size() && format[i] == '.') {
    ++i;
    if (i < format.size() && format[i] == '*')
      ++i;
    else
      conversion.precision = ReadNumber(format, i);
  }
  // Length modifiers, including the Windows runtime's I, I32 and I64.
  while (i < format.size() && IsOneOf(format[i], "hlLqjztwI")) {
    if (format[i] == 'I' && format.compare(i, 3, "I32") == 0)
      i += 2;
    else if (format[i] == 'I' && format.compare(i, 3, "I64") == 0)
      i += 2;
    ++i;
  }
  if (i >= format.size() || !IsOneOf(format[i], "diouxXeEfFgGaAcCsSpn"))
    return false;
  conversion.type = format[i];
  conversion.end = i + 1;
  return true;
}

std::string Pad(std::string text, const Conversion& conversion) {
  if (conversion.width > 0 && text.size() < static_cast<std::size_t>(conversion.width)) {
    const std::string blanks(static_cast<std::size_t>(conversion.width) - text.size(), ' ');
    text = conversion.leftAlign ? text + blanks : blanks + text;
  }
  return text;
}

std::string ShowNumber(long number, const Conversion& conversion) {
  char type = conversion.type;
  if (!IsOneOf(type, "diouxX"))
    type = 'd';
  // The format passed on is built here from checked parts, never taken from the entry.
  std::string printfFormat = "%" + conversion.flags;
  if (conversion.width >= 0)
    printfFormat += std::to_string(conversion.width);
  if (conversion.precision >= 0)
    printfFormat += "." + std::to_string(conversion.precision);
  printfFormat += "l";
  printfFormat += type;
  char buffer[2 * kLargestWidth + 32];
  if (type == 'd' || type == 'i')
    std::snprintf(buffer, sizeof buffer, printfFormat.c_str(), number);
  else
    std::snprintf(buffer, sizeof buffer, printfFormat.c_str(), static_cast<unsigned long>(number));
  return buffer;
}

std::string ShowText(const std::string& text, const Conversion& conversion) {
  std::string shown = text;
  if (conversion.precision >= 0 && shown.size() > static_cast<std::size_t>(conversion.precision))
    shown.resize(static_cast<std::size_t>(conversion.precision));
  return Pad(shown, conversion);
}

}  // namespace

std::string FormatEntry(const std::string& format, const FormatArgument& argument) {
  std::string result;
  bool argumentUsed = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      result += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      result += '%';
      ++i;
      continue;
    }
    Conversion conversion;
    if (!ParseConversion(format, i, conversion)) {
      result += '%';
      continue;
    }
    i = conversion.end - 1;
    if (conversion.type == 'n' || argumentUsed || argument.GetKind() == FormatArgument::kNone)
      continue;
    argumentUsed = true;
    if (argument.GetKind() == FormatArgument::kNumber)
      result += conversion.type == 's' || conversion.type == 'S'
                    ? ShowText(std::to_string(argument.GetNumber()), conversion)
                    : ShowNumber(argument.GetNumber(), conversion);
    else
      result += ShowText(argument.GetText(), conversion);
  }
  return result;
}

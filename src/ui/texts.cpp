#include "ui/texts.h"

#include "platform/resources.h"
#include "ui/text_format.h"

std::string LoadText(unsigned id) {
  std::string text;
  platform::LoadResourceString(id, text);  // empty when not even the program has it
  return text;
}

std::string FormatText(unsigned id) {
  return FormatEntry(LoadText(id), FormatArgument());
}

std::string FormatText(unsigned id, const std::string& argument) {
  return FormatEntry(LoadText(id), FormatArgument(argument));
}

std::string FormatText(unsigned id, long argument) {
  return FormatEntry(LoadText(id), FormatArgument(argument));
}

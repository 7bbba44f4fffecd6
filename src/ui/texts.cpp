#include "ui/texts.h"

#include "platform/resources.h"
#include "ui/text_format.h"

std::string LoadText(unsigned id) {
  std::string text;
  // A locale library that lacks an entry leaves the program's own text in its place.
  if (!platform::LoadResourceString(id, text))
    platform::LoadResourceString(id, text, platform::ResourceSource::kProgram);
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

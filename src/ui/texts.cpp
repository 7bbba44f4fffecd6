#include "ui/texts.h"

#include <map>

#include "ui/resource_ids.h"

// Interim: the English string table built in, until texts come from the resource module.
namespace {

const std::map<unsigned, std::string>& EnglishTable() {
  static const std::map<unsigned, std::string> table = {
      {IDS_ERROR, "Error"},
      {IDS_UNKNOWN_ERROR, "Unknown error"},
      {IDS_BAD_URL, "URL has incorrect format"},
      {IDS_CONNECTION_ERROR, "Connection error. Status code: %d"},
      {IDS_NO_UPDATES,
       "There are no new updates available.\nYou already have the most recent version."},
      {IDS_UPDATES_AVAILABLE, "There are updates available for the %s software."},
      {IDS_VISIT_SITE, "Visit the %s Web site to review the updates"},
      {IDS_REMIND_ME, "Remind me again in"},
      {IDS_DAYS, "day(s)"},
      {IDS_OK, "OK"},
      {IDS_CANCEL, "Cancel"},
  };
  return table;
}

// Replaces each conversion by the one argument and "%%" by "%"; never reads more.
std::string Substitute(const std::string& format, const std::string& argument) {
  std::string result;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) {
      result += format[i];
    } else if (format[i + 1] == '%') {
      result += '%';
      ++i;
    } else {
      result += argument;
      ++i;
    }
  }
  return result;
}

}  // namespace

std::string LoadText(unsigned id) {
  const auto entry = EnglishTable().find(id);
  return entry == EnglishTable().end() ? std::string() : entry->second;
}

std::string FormatText(unsigned id) {
  return Substitute(LoadText(id), std::string());
}

std::string FormatText(unsigned id, const std::string& argument) {
  return Substitute(LoadText(id), argument);
}

std::string FormatText(unsigned id, long argument) {
  return Substitute(LoadText(id), std::to_string(argument));
}

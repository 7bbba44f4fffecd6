#include "settings/remind_dates.h"

#include <ctime>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/text.h"
#include "settings/registry_settings.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;
constexpr int kFirstYear = 1970;
constexpr int kLastYear = 2037;

}  // namespace

namespace {

// Scans "%d/%d/%d" as the runtime's sscanf does: three integers, each after optional
// white space, the first two followed directly by a slash; anything after the third is
// ignored. True only when all three were read.
bool ScanDateFields(const std::string& text, int& month, int& day, int& year) {
  std::size_t at = 0;
  return ReadDecimalInt(text, at, month) && at < text.size() && text[at++] == '/' &&
         ReadDecimalInt(text, at, day) && at < text.size() && text[at++] == '/' &&
         ReadDecimalInt(text, at, year);
}

}  // namespace

std::int64_t ParseRemindDate(const std::string& text) {
  int month = 0;
  int day = 0;
  int year = 0;
  if (!ScanDateFields(text, month, day, year))
    return 0;
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
      day > 31)
    return 0;

  std::tm fields = {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_isdst = -1;  // the conversion decides whether daylight-saving time applies
  const std::int64_t time = platform::MakeTime(fields);
  if (time == -1)
    throw std::invalid_argument("remind date has no local midnight");
  return time;
}

std::int64_t GetRemindDate(const std::string& productName) {
  try {
    std::string text;
    if (!ReadRegString(kRemindDatesKey, productName, text))
      return 0;
    return ParseRemindDate(text);
  } catch (...) {
    return 0;
  }
}

std::string FormatRemindDate(std::int64_t instant) {
  std::tm fields = {};
  if (!platform::LocalTime(instant, fields))
    return std::string();
  char buffer[128];
  const std::size_t length = std::strftime(buffer, sizeof buffer, "%m/%d/%Y", &fields);
  return std::string(buffer, length);
}

void SetRemindDate(const std::string& productName, int days) {
  const std::int64_t instant =
      platform::CurrentTime() + static_cast<std::int64_t>(days) * kSecondsPerDay;
  WriteRegString(kRemindDatesKey, productName, FormatRemindDate(instant));
}

void ClearRemindDate(const std::string& productName) {
  WriteRegString(kRemindDatesKey, productName, std::string());
}

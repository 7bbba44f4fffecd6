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

// The day of the month that the calendar fields name once a day past the month's end is
// carried over; noon is taken, which no clock change moves to another day.
int NormalisedDay(const std::tm& fields) {
  std::tm noon = fields;
  noon.tm_hour = 12;
  platform::MakeTime(noon);
  return noon.tm_mday;
}

// The first instant whose local date has the given day, searched from an instant late on
// the day before: a skipped midnight is skipped by a few hours at most.
std::int64_t FirstInstantOfDay(std::int64_t before, int day) {
  std::int64_t low = before;  // on the day before
  std::int64_t high = before + kSecondsPerDay / 2;
  std::tm fields = {};
  if (!platform::LocalTime(high, fields) || fields.tm_mday != day)
    return before;  // not the case handled here
  while (high - low > 1) {
    const std::int64_t middle = low + (high - low) / 2;
    if (platform::LocalTime(middle, fields) && fields.tm_mday == day)
      high = middle;
    else
      low = middle;
  }
  return high;
}

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
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 || day > 31)
    return 0;

  std::tm fields = {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_isdst = -1;  // the conversion decides whether daylight-saving time applies
  const int wantedDay = NormalisedDay(fields);
  const std::int64_t time = platform::MakeTime(fields);
  if (time == -1)
    throw std::invalid_argument("remind date has no local midnight");
  // Where the clocks skipped that midnight the conversion may land late on the day before
  // (the runtime's choice); the date then starts at the first instant that belongs to it,
  // so that the reminder is not due before its date and reads back as the date stored.
  if (fields.tm_mday != wantedDay)
    return FirstInstantOfDay(time, wantedDay);
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

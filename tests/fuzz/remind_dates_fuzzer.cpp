// ParseRemindDate and FormatRemindDate in several time zones: a text is read only when
// the runtime's "%d/%d/%d" gives three numbers in range, it stands for the local midnight
// of its (carried-over) calendar date, and a formatted date reads back as the same time.
//
// Input: a byte choosing the time zone, then the stored text; the first eight bytes of
// that text also give an instant to format.
#include <cstdint>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>

#include "fuzz_check.h"
#include "settings/remind_dates.h"

namespace {

// Zones with daylight-saving time, a half-hour shift and offsets on both sides of UTC.
const char* const kZones[] = {"UTC",
                              "Europe/Berlin",
                              "America/New_York",
                              "Australia/Lord_Howe",
                              "Asia/Kathmandu",
                              "Pacific/Kiritimati",
                              "America/Sao_Paulo"};
int g_zone = -1;

void UseZone(int zone) {
  if (zone == g_zone)
    return;
  setenv("TZ", kZones[zone], 1);
  tzset();
  g_zone = zone;
}

// Days since 1 January 1970 of a proleptic Gregorian date (month 1 to 12).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// "%m/%d/%Y" of the date that lies a number of days after 1 January 1970.
std::string CivilText(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
  char text[32];
  std::snprintf(text, sizeof text, "%02u/%02u/%04lld", month, day, static_cast<long long>(year));
  return text;
}

bool ParseOrZero(const std::string& text, std::int64_t& time) {
  try {
    time = ParseRemindDate(text);
    return true;
  } catch (const std::invalid_argument&) {
    return false;  // the date's local midnight cannot be represented
  }
}

void CheckFormat(std::int64_t instant) {
  const std::string text = FormatRemindDate(instant);
  KWU_FUZZ_CHECK(text.empty() || text.size() == 10);
  if (text.empty())
    return;
  int month = 0, day = 0, year = 0;
  KWU_FUZZ_CHECK(std::sscanf(text.c_str(), "%2d/%2d/%4d", &month, &day, &year) == 3);
  std::int64_t midnight = 0;
  if (year > 2037 || !ParseOrZero(text, midnight))
    return;
  // The stored date is the instant's own local date: its midnight lies at most a day
  // (and a daylight-saving shift) before the instant.
  KWU_FUZZ_CHECK(midnight <= instant && instant - midnight < 25 * 60 * 60);
  KWU_FUZZ_CHECK(FormatRemindDate(midnight) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  UseZone(data[0] % (sizeof kZones / sizeof kZones[0]));
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::int64_t time = 0;
  const bool representable = ParseOrZero(text, time);
  // The runtime's scan, each number held to the range of an int as the program holds it
  // (glibc would cut a larger one to 32 bits instead).
  long long wideMonth = 0, wideDay = 0, wideYear = 0;
  const bool three =
      std::sscanf(text.c_str(), "%lld/%lld/%lld", &wideMonth, &wideDay, &wideYear) == 3;
  const auto toInt = [](long long value) {
    return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
  };
  const int month = toInt(wideMonth), day = toInt(wideDay), year = toInt(wideYear);
  const bool inRange =
      three && year >= 1970 && year <= 2037 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
  if (!inRange)
    KWU_FUZZ_CHECK(representable && time == 0);
  if (inRange && representable) {
    // Local midnight of the date, a day past the month's end carried into the next month.
    const std::string date = CivilText(DaysFromCivil(year, month, 1) + day - 1);
    const std::string formatted = FormatRemindDate(time);
    KWU_FUZZ_CHECK(formatted == date);
    std::int64_t again = -1;
    KWU_FUZZ_CHECK(ParseOrZero(formatted, again) && again == time);
    std::tm fields = {};
    const time_t value = static_cast<time_t>(time);
    KWU_FUZZ_CHECK(localtime_r(&value, &fields) != nullptr);
    KWU_FUZZ_CHECK(fields.tm_min == 0 && fields.tm_sec == 0 && fields.tm_hour <= 1);
  }

  std::int64_t instant = 0;
  std::memcpy(&instant, text.data(), text.size() < sizeof instant ? text.size() : sizeof instant);
  CheckFormat(instant);
  CheckFormat(instant % (70LL * 365 * 24 * 60 * 60));  // mostly within the stored years
  return 0;
}

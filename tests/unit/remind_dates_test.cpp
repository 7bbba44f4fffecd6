#include "settings/remind_dates.h"

#include <climits>
#include <ctime>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "settings/registry_settings.h"
#include "test_folder.h"

namespace {

// Runs a test in another time zone, restoring the previous one afterwards.
class ScopedTimeZone {
public:
  explicit ScopedTimeZone(const std::string& zone) : m_zone("TZ", zone) { ::tzset(); }

private:
  struct Reload {
    ~Reload() { ::tzset(); }
  };
  Reload m_reload;  // destroyed last, once the variable is restored
  test::ScopedEnvironment m_zone;
};

std::int64_t LocalTime(int year, int month, int day, int hour = 0, int minute = 0) {
  std::tm fields = {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_isdst = -1;
  return platform::MakeTime(fields);
}

constexpr std::int64_t kDay = 86400;

std::int64_t StoredRemindDate(const std::string& text) {
  EXPECT_TRUE(WriteRegString(kRemindDatesKey, "App", text));
  return GetRemindDate("App");
}

}  // namespace

TEST(RemindDates, WorkedExamples) {
  EXPECT_EQ(FormatRemindDate(LocalTime(2005, 1, 5, 15) + kDay), "01/06/2005");
  EXPECT_EQ(ParseRemindDate("01/06/2005") - LocalTime(2005, 1, 5, 15), 9 * 3600);
  EXPECT_EQ(FormatRemindDate(LocalTime(2005, 12, 15, 10) + 60 * kDay), "02/13/2006");
  EXPECT_EQ(ParseRemindDate("02/13/2006"), LocalTime(2006, 2, 13));
  EXPECT_EQ(ParseRemindDate("01/06/2005"), LocalTime(2005, 1, 6));  // due at that instant
  EXPECT_EQ(FormatRemindDate(LocalTime(2037, 12, 20, 12) + 30 * kDay), "01/19/2038");
  EXPECT_EQ(ParseRemindDate("01/19/2038"), 0);
}

TEST(RemindDates, ADayAheadIsCountedInSecondsAcrossDaylightSavingChanges) {
  {
    ScopedTimeZone berlin("Europe/Berlin");  // clocks went forward on 27 March 2005
    const std::int64_t now = LocalTime(2005, 3, 26, 23, 30);
    EXPECT_EQ(FormatRemindDate(now + kDay), "03/28/2005");
    EXPECT_EQ(ParseRemindDate("03/27/2005"), 1111878000);  // 26 March 23:00 UTC
  }
  {
    ScopedTimeZone newYork("America/New_York");  // clocks went back on 30 October 2005
    const std::int64_t now = LocalTime(2005, 10, 30, 0, 30);
    EXPECT_EQ(FormatRemindDate(now + kDay), "10/30/2005");
    EXPECT_EQ(ParseRemindDate("10/30/2005"), 1130644800);
    EXPECT_LE(ParseRemindDate("10/30/2005"), now);  // due at once
  }
}

TEST(RemindDates, FirstDayOf1970) {
  test::TestFolder folder;
  {
    ScopedTimeZone berlin("Europe/Berlin");  // its local midnight is before time 0
    EXPECT_THROW(ParseRemindDate("01/01/1970"), std::invalid_argument);
    EXPECT_EQ(StoredRemindDate("01/01/1970"), 0);
  }
  {
    ScopedTimeZone newYork("America/New_York");
    EXPECT_EQ(StoredRemindDate("01/01/1970"), 5 * 3600);
  }
  ScopedTimeZone utc("UTC");
  EXPECT_EQ(StoredRemindDate("01/01/1970"), 0);  // midnight is time 0 itself
}

TEST(RemindDates, AcceptedForms) {
  ScopedTimeZone utc("UTC");
  EXPECT_EQ(ParseRemindDate("01/01/2006"), LocalTime(2006, 1, 1));
  EXPECT_EQ(ParseRemindDate("1/6/2005"), LocalTime(2005, 1, 6));
  EXPECT_EQ(ParseRemindDate(" 01/ 06/ +2005"), LocalTime(2005, 1, 6));
  EXPECT_EQ(ParseRemindDate("01/06/2005 extra"), LocalTime(2005, 1, 6));
  EXPECT_EQ(ParseRemindDate("12/31/2037"), LocalTime(2037, 12, 31));
  EXPECT_EQ(ParseRemindDate("01/01/1970"), 0);  // UTC: time 0, the same as none
  // Days beyond the month's end carry into the next month.
  EXPECT_EQ(ParseRemindDate("02/30/2005"), LocalTime(2005, 3, 2));
  EXPECT_EQ(ParseRemindDate("04/31/2005"), LocalTime(2005, 5, 1));
}

TEST(RemindDates, RejectedForms) {
  const char* const rejected[] = {
      "",           "garbage",    "13/01/2005",  "00/10/2005", "01/00/2005",
      "01/32/2005", "2005/01/06", "01-06-2005",  "01/06/05",   "01/01/2038",
      "01/01/1969", "-1/06/2005", "01 /06/2005", "01/06/",
  };
  for (const char* text : rejected)
    EXPECT_EQ(ParseRemindDate(text), 0) << text;
}

TEST(RemindDates, NumbersBeyondTheIntRangeAreHeldAtItsEndsAndSoRejected) {
  // Cut to 32 bits, each of these would read as a valid date (2037, month 1, day 6).
  ScopedTimeZone utc("UTC");
  const char* const rejected[] = {
      "01/06/4294969333",
      "4294967297/06/2005",
      "01/4294967302/2005",
      "-4294967295/06/2005",
      "01/06/99999999999999999999999",
      "01/06/-4294965259",
  };
  for (const char* text : rejected)
    EXPECT_EQ(ParseRemindDate(text), 0) << text;
  EXPECT_EQ(ParseRemindDate("01/06/0000000000000002005"), LocalTime(2005, 1, 6));
}

TEST(RemindDates, StoredThroughTheSettings) {
  test::TestFolder folder;
  EXPECT_EQ(GetRemindDate("App"), 0);  // nothing stored
  EXPECT_TRUE(folder.Entries().empty());

  const std::int64_t before = platform::CurrentTime();
  SetRemindDate("App", 5);
  const std::int64_t after = platform::CurrentTime();
  std::string stored;
  ASSERT_TRUE(ReadRegString(kRemindDatesKey, "App", stored));
  // Keys created on the way; the date of now + 5 days (either side of a midnight).
  EXPECT_TRUE(stored == FormatRemindDate(before + 5 * kDay) ||
              stored == FormatRemindDate(after + 5 * kDay))
      << stored;
  EXPECT_GT(GetRemindDate("App"), after + 3 * kDay);
  EXPECT_EQ(GetRemindDate("app"), GetRemindDate("App"));  // names fold case

  ClearRemindDate("App");
  ASSERT_TRUE(ReadRegString(kRemindDatesKey, "App", stored));
  EXPECT_EQ(stored, "");
  EXPECT_EQ(GetRemindDate("App"), 0);

  SetRemindDate("App", -3);  // in the past: due at once
  EXPECT_GT(GetRemindDate("App"), 0);
  EXPECT_LT(GetRemindDate("App"), platform::CurrentTime());
}

TEST(RemindDates, DayCountsBeyondTheConvertibleRangeStoreTheEmptyText) {
  test::TestFolder folder;
  for (const int days : {INT_MAX, INT_MIN, 400000}) {
    ASSERT_TRUE(WriteRegString(kRemindDatesKey, "App", "01/06/2005"));
    SetRemindDate("App", days);
    std::string stored = "unread";
    EXPECT_TRUE(ReadRegString(kRemindDatesKey, "App", stored));
    EXPECT_EQ(stored, "") << days;
  }
  // Not beyond the range, only beyond 2037: stored, and read as no reminder.
  SetRemindDate("App", 30000);
  std::string stored;
  ASSERT_TRUE(ReadRegString(kRemindDatesKey, "App", stored));
  EXPECT_EQ(stored.size(), 10u);
  EXPECT_EQ(GetRemindDate("App"), 0);
}

// Some zones skipped a midnight itself; the stored date then starts at the first instant
// that lies on it, never on the day before, and reads back as the date stored.
TEST(RemindDates, SkippedMidnightStartsTheDateAtItsFirstInstant) {
  {
    ScopedTimeZone kathmandu("Asia/Kathmandu");           // 1 January 1986 began at 00:15
    EXPECT_EQ(ParseRemindDate("01/01/1986"), 504901800);  // 31 December 1985 18:30 UTC
    EXPECT_EQ(FormatRemindDate(ParseRemindDate("01/01/1986")), "01/01/1986");
    EXPECT_EQ(FormatRemindDate(ParseRemindDate("01/01/1986") - 1), "12/31/1985");
  }
  {
    ScopedTimeZone saoPaulo("America/Sao_Paulo");  // 15 October 2017 began at 01:00
    EXPECT_EQ(ParseRemindDate("10/15/2017"), 1508036400);
    EXPECT_EQ(FormatRemindDate(ParseRemindDate("10/15/2017") - 1), "10/14/2017");
  }
}

#include "update/manifest_freshness.h"

#include <cstdio>
#include <string_view>

#include "platform/text.h"

namespace {

const char kSequenceField[] = " sequence=";
const char kExpiresField[] = " expires=";
const char kNever[] = "never";
const std::size_t kMaxSequenceDigits = 18;
const std::int64_t kSecondsPerDay = 24 * 60 * 60;

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Days since 1 January 1970 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = year / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// The date of a day since 1970: the inverse of DaysFromCivil.
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

// The number of digits at text[at], exactly count of them.
bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, unsigned& value) {
  if (at + count > text.size())
    return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (!IsDigit(text[i]))
      return false;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return true;
}

// The fields of a freshness line after its marker; false unless exactly of the form.
bool ParseFields(std::string_view rest, ManifestFreshness& freshness) {
  if (rest.substr(0, sizeof kSequenceField - 1) != kSequenceField)
    return false;
  rest.remove_prefix(sizeof kSequenceField - 1);
  const std::size_t space = rest.find(' ');
  if (space == std::string_view::npos ||
      !ParseSequence(std::string(rest.substr(0, space)), freshness.sequence))
    return false;
  rest.remove_prefix(space);
  if (rest.substr(0, sizeof kExpiresField - 1) != kExpiresField)
    return false;
  rest.remove_prefix(sizeof kExpiresField - 1);
  if (rest == kNever) {
    freshness.expires = false;
    return true;
  }
  freshness.expires = true;
  return ParseUtcTime(std::string(rest), freshness.expiry);
}

// Where each line that begins with the marker begins, in order.
template <class Visit>
void ForEachFreshnessLine(const std::string& manifest, Visit visit) {
  for (std::size_t at = manifest.find(kFreshnessMarker); at != std::string::npos;
       at = manifest.find(kFreshnessMarker, at + 1)) {
    if (at == 0 || IsLineEnd(manifest[at - 1]))
      visit(at);
  }
}

}  // namespace

bool ParseSequence(const std::string& text, std::uint64_t& sequence) {
  return !(text.size() > 1 && text[0] == '0') &&
         ParseDigits(text, kMaxSequenceDigits, sequence);
}

std::string UtcTimeText(std::int64_t time) {
  const std::int64_t days = (time >= 0 ? time : time - (kSecondsPerDay - 1)) / kSecondsPerDay;
  const std::int64_t seconds = time - days * kSecondsPerDay;
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(days, year, month, day);
  char text[40];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02uZ", static_cast<long long>(year),
                month, day, static_cast<unsigned>(seconds / 3600),
                static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
  return text;
}

bool ParseUtcTime(const std::string& text, std::int64_t& time) {
  // YYYY-MM-DDTHH:MM:SSZ
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
      text[13] != ':' || text[16] != ':' || text[19] != 'Z' || !ReadDigits(text, 0, 4, year) ||
      !ReadDigits(text, 5, 2, month) || !ReadDigits(text, 8, 2, day) ||
      !ReadDigits(text, 11, 2, hour) || !ReadDigits(text, 14, 2, minute) ||
      !ReadDigits(text, 17, 2, second))
    return false;
  if (year < 1970 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 ||
      second > 59)
    return false;
  // A day past the month's end would come back as another date.
  const std::int64_t days = DaysFromCivil(year, month, day);
  std::int64_t backYear = 0;
  unsigned backMonth = 0;
  unsigned backDay = 0;
  CivilFromDays(days, backYear, backMonth, backDay);
  if (backMonth != month || backDay != day)
    return false;
  time = days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
  return true;
}

ManifestFreshness ReadManifestFreshness(const std::string& manifest, std::size_t signedBytes) {
  ManifestFreshness freshness;
  // The last line of the signed bytes: after the line end before it, up to its own.
  std::size_t lineEnd = signedBytes;
  if (lineEnd > 0 && IsLineEnd(manifest[lineEnd - 1]))
    lineEnd -= lineEnd > 1 && LineEndLength(manifest, lineEnd - 2) == 2 ? 2 : 1;
  std::size_t lineStart = lineEnd;
  while (lineStart > 0 && !IsLineEnd(manifest[lineStart - 1]))
    --lineStart;
  const bool last = signedBytes > 0 &&
                    manifest.compare(lineStart, sizeof kFreshnessMarker - 1, kFreshnessMarker) == 0;

  std::size_t elsewhere = std::string::npos;
  ForEachFreshnessLine(manifest, [&](std::size_t at) {
    if ((!last || at != lineStart) && elsewhere == std::string::npos)
      elsewhere = at;
  });
  if (elsewhere != std::string::npos) {
    freshness.status = FreshnessStatus::kMisplaced;
    freshness.line = LineNumberAt(manifest, elsewhere);
    return freshness;
  }
  if (!last)
    return freshness;
  freshness.line = LineNumberAt(manifest, lineStart);
  const std::size_t fields = lineStart + sizeof kFreshnessMarker - 1;
  freshness.status =
      ParseFields(std::string_view(manifest).substr(fields, lineEnd - fields), freshness)
          ? FreshnessStatus::kPresent
          : FreshnessStatus::kMalformed;
  return freshness;
}

std::string FreshnessLine(std::uint64_t sequence, std::optional<std::int64_t> expiry) {
  return std::string(kFreshnessMarker) + kSequenceField + std::to_string(sequence) +
         kExpiresField + (expiry ? UtcTimeText(*expiry) : std::string(kNever));
}

FreshnessVerdict JudgeFreshness(const ManifestFreshness& freshness, std::int64_t now,
                                std::optional<std::uint64_t> highestAccepted) {
  if (freshness.status != FreshnessStatus::kPresent)
    return FreshnessVerdict::kNoFreshness;
  if (freshness.expires && now > freshness.expiry + kFreshnessClockSlack)
    return FreshnessVerdict::kExpired;
  if (highestAccepted && freshness.sequence < *highestAccepted)
    return FreshnessVerdict::kOlder;
  return FreshnessVerdict::kAccepted;
}

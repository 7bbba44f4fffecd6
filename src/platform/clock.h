#pragma once
#include <cstdint>
#include <ctime>

namespace platform {

// The runtime's 64-bit time: seconds since 1 January 1970 00:00:00 UTC.
std::int64_t CurrentTime();

// Local calendar fields of a time, under the machine's zone and daylight-saving rules.
// False for a time the runtime cannot represent (before 1970 or after the year 3000).
bool LocalTime(std::int64_t time, std::tm& fields);

// Time of local calendar fields, normalising fields beyond their range; with tm_isdst -1
// the runtime decides whether daylight-saving time is in force. -1 for a time that cannot
// be represented, such as one before 1 January 1970 00:00 UTC.
std::int64_t MakeTime(std::tm& fields);

// For the platforms: the runtime's own conversions, without the range held above. False,
// or -1, when the runtime cannot convert.
bool RuntimeLocalTime(std::int64_t time, std::tm& fields);
std::int64_t RuntimeMakeTime(std::tm& fields);

}  // namespace platform

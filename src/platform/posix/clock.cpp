#include "platform/clock.h"

#include <time.h>

namespace platform {

namespace {
// The range of the Windows runtime's 64-bit local-time conversion, kept on Linux so that
// a remind date means the same on both platforms: 1970-01-01 to 3000-12-31 23:59:59 UTC.
constexpr std::int64_t kLatestTime = 32535215999;
}  // namespace

std::int64_t CurrentTime() {
  return static_cast<std::int64_t>(::time(nullptr));
}

bool LocalTime(std::int64_t time, std::tm& fields) {
  if (time < 0 || time > kLatestTime)
    return false;
  const time_t value = static_cast<time_t>(time);
  return ::localtime_r(&value, &fields) != nullptr;
}

std::int64_t MakeTime(std::tm& fields) {
  const time_t result = ::mktime(&fields);
  if (result == static_cast<time_t>(-1) || result < 0 || result > kLatestTime)
    return -1;
  return static_cast<std::int64_t>(result);
}

}  // namespace platform

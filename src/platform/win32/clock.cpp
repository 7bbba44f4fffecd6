#include "platform/clock.h"

#include <time.h>

namespace platform {

namespace {
// The range of the Windows runtime's 64-bit local-time conversion, 1970-01-01 to
// 3000-12-31 23:59:59 UTC. Held here as well, so that a runtime which accepts more (as
// Wine's does) gives the same answers as Windows.
constexpr std::int64_t kLatestTime = 32535215999;
}  // namespace

std::int64_t CurrentTime() {
  return static_cast<std::int64_t>(::_time64(nullptr));
}

bool LocalTime(std::int64_t time, std::tm& fields) {
  if (time < 0 || time > kLatestTime)
    return false;
  const __time64_t value = time;
  const std::tm* local = ::_localtime64(&value);
  if (!local)
    return false;
  fields = *local;
  return true;
}

std::int64_t MakeTime(std::tm& fields) {
  const __time64_t result = ::_mktime64(&fields);
  if (result < 0 || result > kLatestTime)
    return -1;
  return static_cast<std::int64_t>(result);
}

}  // namespace platform

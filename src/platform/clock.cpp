#include "platform/clock.h"

namespace platform {

namespace {

// The range of the Windows runtime's 64-bit local-time conversion, 1970-01-01 to
// 3000-12-31 23:59:59 UTC, held on both platforms: a runtime that accepts more (Wine's,
// Linux's) then gives the same answers as Windows, and a remind date means the same
// everywhere.
constexpr std::int64_t kLatestTime = 32535215999;

bool InRuntimeRange(std::int64_t time) {
  return time >= 0 && time <= kLatestTime;
}

}  // namespace

bool LocalTime(std::int64_t time, std::tm& fields) {
  return InRuntimeRange(time) && RuntimeLocalTime(time, fields);
}

std::int64_t MakeTime(std::tm& fields) {
  const std::int64_t time = RuntimeMakeTime(fields);
  return InRuntimeRange(time) ? time : -1;
}

}  // namespace platform

#include "platform/clock.h"

#include <time.h>

namespace platform {

std::int64_t CurrentTime() {
  return static_cast<std::int64_t>(::_time64(nullptr));
}

bool RuntimeLocalTime(std::int64_t time, std::tm& fields) {
  const __time64_t value = time;
  const std::tm* local = ::_localtime64(&value);
  if (!local)
    return false;
  fields = *local;
  return true;
}

std::int64_t RuntimeMakeTime(std::tm& fields) {
  return static_cast<std::int64_t>(::_mktime64(&fields));
}

}  // namespace platform

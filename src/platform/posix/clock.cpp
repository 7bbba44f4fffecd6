#include "platform/clock.h"

#include <time.h>

namespace platform {

std::int64_t CurrentTime() {
  return static_cast<std::int64_t>(::time(nullptr));
}

bool RuntimeLocalTime(std::int64_t time, std::tm& fields) {
  const time_t value = static_cast<time_t>(time);
  return ::localtime_r(&value, &fields) != nullptr;
}

std::int64_t RuntimeMakeTime(std::tm& fields) {
  return static_cast<std::int64_t>(::mktime(&fields));
}

}  // namespace platform

#include "platform/test_faults.h"

#if defined(KWU_TEST_FAULTS)

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {
const char kFaultVariable[] = "KWU_TEST_FAULT";
}  // namespace

bool TestFault(const char* point) {
  const char* list = std::getenv(kFaultVariable);
  const std::size_t length = std::strlen(point);
  if (list == nullptr || length == 0)
    return false;
  // Each name whole, between commas or the ends of the list.
  for (const char* name = list;; ++name) {
    const char* end = std::strchr(name, ',');
    const std::size_t size = end ? static_cast<std::size_t>(end - name) : std::strlen(name);
    if (size == length && std::strncmp(name, point, length) == 0)
      return true;
    if (!end)
      return false;
    name = end;
  }
}

}  // namespace platform

#endif

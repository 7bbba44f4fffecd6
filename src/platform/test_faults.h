#pragma once
// Fault points of the test build: places where a failure that no run can be made to have
// at will (memory running out, a session or dialog the system cannot create, a settings
// store that refuses writes) can be made to happen, so that the end-to-end suites see the
// program's own handling of it. A build without the tests (KWU_TEST_FAULTS off) has none:
// TestFault is then a constant false and the points vanish from the code.
//
// The same builds alone have the hooks through which the suites measure a run from inside
// (TestHook): a build to ship reads no KWU_TEST_ variable and holds none of their names.

namespace platform {

#if defined(KWU_TEST_FAULTS)
// True when the environment variable KWU_TEST_FAULT, a comma-separated list of point
// names, names this point.
bool TestFault(const char* point);
#else
inline bool TestFault(const char*) {
  return false;
}
#endif

}  // namespace platform

// The value of the test hook's environment variable `name` (a string literal), or null
// when it is not set; always null, and the name left out of the program, in a build
// without the tests.
#if defined(KWU_TEST_FAULTS)
#include <cstdlib>
#define KWU_TEST_HOOK(name) std::getenv(name)
#else
#define KWU_TEST_HOOK(name) static_cast<const char*>(nullptr)
#endif

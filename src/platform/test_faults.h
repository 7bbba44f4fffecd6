#pragma once
// Fault points of the test build: places where a failure that no run can be made to have
// at will (memory running out, a session or dialog the system cannot create, a settings
// store that refuses writes) can be made to happen, so that the end-to-end suites see the
// program's own handling of it. A build without the tests (KWU_TEST_FAULTS off) has none:
// TestFault is then a constant false and the points vanish from the code.

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

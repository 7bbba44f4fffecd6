// The program's own verbose terminate handler, in place of the runtime's: the runtime's
// prints the demangled type of an uncaught exception, and its demangler alone is a large
// part of a statically linked executable. The program catches everything at its
// boundaries, so ending at once is all that is left to do. Linked into the program
// itself, so that it is chosen before the runtime library's.
#include <cstdlib>

#if defined(__GNUC__)
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
#endif

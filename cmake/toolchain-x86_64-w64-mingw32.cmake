# Cross-build for 64-bit Windows with the MinGW-w64 x86_64 toolchain. The product is the
# 32-bit program; this build of the same sources lets the Windows suites run under the
# 64-bit Wine on machines whose kernel runs no 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KWU_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)

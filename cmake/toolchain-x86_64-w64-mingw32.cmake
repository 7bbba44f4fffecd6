# Cross-build for 64-bit Windows with the MinGW-w64 x86_64 toolchain. The product is the
# 32-bit program; this build of the same sources lets the Windows suites run under the
# 64-bit Wine on machines whose kernel runs no 32-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KWU_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KWU_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${KWU_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${KWU_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KWU_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

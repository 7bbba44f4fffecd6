# Windows: a GUI-subsystem executable that needs nothing beyond the system DLLs.
target_compile_definitions(kwu_core PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
target_link_libraries(kwu_core PUBLIC wininet shell32 user32 advapi32 kernel32)

add_executable(kavexwebupd WIN32 ${KWU_ENTRY_SOURCES}
               ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/terminate_handler.cpp)
target_link_libraries(kavexwebupd PRIVATE kwu_core)
set_target_properties(kavexwebupd PROPERTIES OUTPUT_NAME kavexwebupd SUFFIX .exe)

# The runtime goes into the executable: libgcc and libstdc++ with MinGW, the static CRT
# with MSVC. A release executable carries no symbols, which halves its size.
if(MINGW)
  target_link_options(kavexwebupd PRIVATE -static -static-libgcc -static-libstdc++
                      $<$<CONFIG:Release>:-s>)
elseif(MSVC)
  set_property(TARGET kavexwebupd kwu_core PROPERTY
               MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()

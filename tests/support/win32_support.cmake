# Windows programs the end-to-end suites run under Wine beside kavexwebupd.exe: console
# programs, linked statically like the program so that a bare Wine prefix runs them.

add_executable(settings_probe ${CMAKE_CURRENT_LIST_DIR}/settings_probe.cpp)
target_link_libraries(settings_probe PRIVATE kwu_core)

add_executable(uidriver ${CMAKE_CURRENT_LIST_DIR}/uidriver.c)
target_compile_definitions(uidriver PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501)
target_link_libraries(uidriver PRIVATE user32)

add_executable(winrun ${CMAKE_CURRENT_LIST_DIR}/winrun.c)

if(MINGW)
  target_link_options(settings_probe PRIVATE -static -static-libgcc -static-libstdc++)
  target_link_options(uidriver PRIVATE -static -static-libgcc)
  target_link_options(winrun PRIVATE -static -static-libgcc)
endif()

set_target_properties(settings_probe uidriver winrun PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/support)

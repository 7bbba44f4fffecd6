# Linux: the same program, natively.
add_executable(kavexwebupd ${KWU_ENTRY_SOURCES})
target_link_libraries(kavexwebupd PRIVATE kwu_core)
# The internet session is libcurl's.
find_package(CURL REQUIRED)
target_link_libraries(kwu_core PUBLIC CURL::libcurl)
# Dialogs and message boxes may need windows: the graphical module, loaded at run time
# by the program (never linked to it), so that runs without a display need no GTK.
find_package(PkgConfig)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(GTK3 IMPORTED_TARGET gtk+-3.0)
endif()
target_link_libraries(kwu_core PUBLIC ${CMAKE_DL_LIBS})
if(GTK3_FOUND)
  file(GLOB KWU_GTK_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/gtk/*.cpp)
  add_library(kavexwebupd-gtk MODULE ${KWU_GTK_SOURCES})
  target_include_directories(kavexwebupd-gtk PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(kavexwebupd-gtk PRIVATE PkgConfig::GTK3)
  # It links nothing of the program: a use of the program's code fails here, not at dlopen.
  target_link_options(kavexwebupd-gtk PRIVATE -Wl,--no-undefined)
  # Beside the program, where it looks first.
  set_target_properties(kavexwebupd-gtk PROPERTIES PREFIX "lib"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  add_dependencies(kavexwebupd kavexwebupd-gtk)
  install(TARGETS kavexwebupd-gtk LIBRARY DESTINATION lib/kavexwebupd/modules COMPONENT gtk)
else()
  message(STATUS "GTK 3 not found: the Linux program shows its dialogs on the terminal only")
endif()

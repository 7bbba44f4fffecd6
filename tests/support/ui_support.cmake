# Support for the tests of resources, dialogs and message boxes.

# The dialog probe: the program's dialog classes and message boxes in a small program of
# their own, for the dialog tests on both platforms.
if(WIN32)
  add_executable(dialog_probe WIN32 ${CMAKE_CURRENT_LIST_DIR}/dialog_probe.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/fit_probe_win32.cpp)
  target_link_libraries(dialog_probe PRIVATE gdi32)
  target_link_options(dialog_probe PRIVATE -static -static-libgcc -static-libstdc++)
else()
  add_executable(dialog_probe ${CMAKE_CURRENT_LIST_DIR}/dialog_probe.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/fit_probe_posix.cpp)
endif()
target_link_libraries(dialog_probe PRIVATE kwu_core)
add_dependencies(dialog_probe kwu_locale_libraries)
set_target_properties(dialog_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/support)

# Locale libraries that only tests use, built like the real ones:
#   partial: one text and nothing else, so that everything else falls back
#   hostile: resources plus code in its entry point, which must never run
set(KWU_FIXTURE_DIR ${PROJECT_SOURCE_DIR}/tests/fixtures/locale)
set(KWU_PARTIAL_LIBRARY ${CMAKE_BINARY_DIR}/tests/fixtures/partial/kavexwebupdexe.dat)
kwu_resource_image(${KWU_PARTIAL_LIBRARY} ${CMAKE_CURRENT_BINARY_DIR}/partial_res.obj
                   ${KWU_FIXTURE_DIR}/partial.rc fixtures/partial/kavexwebupdexe.dat)
set(KWU_FIXTURE_LIBRARIES ${KWU_PARTIAL_LIBRARY})
if(WIN32)
  #   spin: an update dialog with an up-down control, which needs the common controls
  set(KWU_SPIN_LIBRARY ${CMAKE_BINARY_DIR}/tests/fixtures/spin/kavexwebupdexe.dat)
  kwu_compile_resources(${CMAKE_CURRENT_BINARY_DIR}/spin_res.obj ${KWU_FIXTURE_DIR}/spin.rc)
  kwu_link_resource_image(${KWU_SPIN_LIBRARY} ${CMAKE_CURRENT_BINARY_DIR}/spin_res.obj)
  list(APPEND KWU_FIXTURE_LIBRARIES ${KWU_SPIN_LIBRARY})
  set(KWU_HOSTILE_LIBRARY ${CMAKE_BINARY_DIR}/tests/fixtures/hostile/kavexwebupdexe.dat)
  kwu_compile_resources(${CMAKE_CURRENT_BINARY_DIR}/hostile_res.obj ${KWU_FIXTURE_DIR}/hostile.rc
                        COMPILER ${CMAKE_RC_COMPILER})
  add_custom_command(OUTPUT ${KWU_HOSTILE_LIBRARY}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tests/fixtures/hostile
    COMMAND ${CMAKE_C_COMPILER} -shared -s ${KWU_FIXTURE_DIR}/hostile_entry.c
            ${CMAKE_CURRENT_BINARY_DIR}/hostile_res.obj -o ${KWU_HOSTILE_LIBRARY}
    DEPENDS ${KWU_FIXTURE_DIR}/hostile_entry.c ${CMAKE_CURRENT_BINARY_DIR}/hostile_res.obj
    VERBATIM)
  list(APPEND KWU_FIXTURE_LIBRARIES ${KWU_HOSTILE_LIBRARY})
endif()
add_custom_target(kwu_fixture_libraries ALL DEPENDS ${KWU_FIXTURE_LIBRARIES})
if(NOT WIN32)
  add_dependencies(kwu_resource_images kwu_fixture_libraries)
endif()

# A native build without MinGW-w64 runs on the images checked in under resources/prebuilt/;
# where the build makes them itself, they must come out byte for byte the same.
if(NOT WIN32 AND KWU_BUILD_RESOURCE_IMAGES)
  add_test(NAME resources.prebuilt_images
           COMMAND ${CMAKE_COMMAND} -DMODE=check -DLIST=${KWU_RESOURCE_IMAGE_LIST}
                   -DPREBUILT_DIR=${KWU_PREBUILT_RESOURCES_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                   -P ${PROJECT_SOURCE_DIR}/cmake/prebuilt_resources.cmake)
endif()

if(TARGET kwu_unit_tests)
  add_dependencies(kwu_unit_tests kwu_locale_libraries kwu_fixture_libraries)
  target_compile_definitions(kwu_unit_tests PRIVATE
    KWU_TEST_PROGRAM_IMAGE="${KWU_RESOURCE_IMAGE}"
    KWU_TEST_KEYED_PROGRAM_IMAGE="${KWU_KEYED_RESOURCE_IMAGE}"
    KWU_TEST_GERMAN_LIBRARY="${PROJECT_BINARY_DIR}/src/Locale/de/kavexwebupdexe.dat"
    KWU_TEST_PARTIAL_LIBRARY="${KWU_PARTIAL_LIBRARY}")
endif()

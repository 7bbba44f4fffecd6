# Linux: libcurl for the internet session, and the desktop dialogs in a module of their own.

# The program's entry hands its arguments to the platform layer and calls WinMain.
set(KWU_PLATFORM_ENTRY ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
set(KWU_EXECUTABLE_SOURCES)

find_package(CURL REQUIRED)
function(kwu_platform_library target)
  # The dialog module is loaded at run time, never linked.
  target_link_libraries(${target} PUBLIC CURL::libcurl ${CMAKE_DL_LIBS})
endfunction()

# Signatures and keys: OpenSSL's libcrypto, which libcurl loads anyway. Linked only into what
# signs or verifies, so that a program built without a key needs nothing new.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
# Seen from every folder, as the fuzz targets under tests/ link it themselves.
set_target_properties(OpenSSL::Crypto PROPERTIES IMPORTED_GLOBAL TRUE)
function(kwu_platform_crypto target)
  target_link_libraries(${target} PUBLIC OpenSSL::Crypto)
endfunction()

# The maker's tool reads and writes key files with libcrypto.
function(kwu_platform_key_files target)
  target_link_libraries(${target} PUBLIC OpenSSL::Crypto)
endfunction()

# Dialogs and message boxes may need windows: the GTK module, which the program loads only
# when it has a dialog to show and a display, so that runs without one need no GTK. It is
# made beside the program, where the program looks first.
find_package(PkgConfig)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(GTK3 IMPORTED_TARGET gtk+-3.0)
endif()
if(GTK3_FOUND)
  file(GLOB KWU_GTK_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gtk/*.cpp)
  add_library(kavexwebupd-gtk MODULE ${KWU_GTK_SOURCES})
  target_include_directories(kavexwebupd-gtk PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(kavexwebupd-gtk PRIVATE PkgConfig::GTK3)
  # The test hooks of a test build (platform/test_faults.h), as in the program.
  if(KWU_TEST_FAULTS)
    target_compile_definitions(kavexwebupd-gtk PRIVATE KWU_TEST_FAULTS)
  endif()
  # It links nothing of the program: a use of the program's code fails here, not at dlopen.
  target_link_options(kavexwebupd-gtk PRIVATE -Wl,--no-undefined)
  set_target_properties(kavexwebupd-gtk PROPERTIES PREFIX "lib"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
else()
  message(STATUS "GTK 3 not found: the Linux program shows its dialogs on the terminal only")
endif()

# The program that shows dialogs is built with the module it loads.
function(kwu_platform_executable target kind)
  if(kind STREQUAL "GUI" AND TARGET kavexwebupd-gtk)
    add_dependencies(${target} kavexwebupd-gtk)
  endif()
endfunction()

# The program's resources are a resource image made from the script (or copied from the
# checked-in one, cmake/resource_images.cmake), compiled as an array into a library of its
# own. There are two: the texts as the program ships them, and the same with the texts
# that only a build with a manifest key shows (KWU_MANIFEST_KEY_TEXTS), which the tool and
# the tests take (kwu_choose_program_texts).
function(kwu_program_resources library script)
  set(KWU_RESOURCE_IMAGE ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.dll CACHE INTERNAL "")
  set(KWU_KEYED_RESOURCE_IMAGE ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_keyed_res.dll
      CACHE INTERNAL "")
  kwu_resource_image(${KWU_RESOURCE_IMAGE} ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.obj
                     ${script} kavexwebupd_res.dll)
  kwu_resource_image(${KWU_KEYED_RESOURCE_IMAGE}
                     ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_keyed_res.obj
                     ${script} kavexwebupd_keyed_res.dll DEFINES KWU_MANIFEST_KEY_TEXTS)
  # A target of its own, so that the images can be made without the library and the
  # library's rules for them never run alongside.
  add_custom_target(kwu_program_image DEPENDS ${KWU_RESOURCE_IMAGE} ${KWU_KEYED_RESOURCE_IMAGE})
  add_dependencies(kwu_resource_images kwu_program_image)
  foreach(texts shipped keyed)
    if(texts STREQUAL "shipped")
      set(image ${KWU_RESOURCE_IMAGE})
    else()
      set(image ${KWU_KEYED_RESOURCE_IMAGE})
    endif()
    set(source ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_${texts}_res.cpp)
    add_custom_command(OUTPUT ${source}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${image} -DOUTPUT=${source}
              -DNAME=kProgramResourceImage -P ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
      DEPENDS ${image} ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
      VERBATIM)
    add_library(kwu_texts_${texts} STATIC ${source})
    add_dependencies(kwu_texts_${texts} kwu_program_image)
  endforeach()
  kwu_choose_program_texts(${library} kwu_texts_shipped kwu_texts_keyed)
endfunction()

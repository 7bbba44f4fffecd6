# The program's resources, compiled from one script for both platforms, and the locale
# libraries. Windows links the compiled script into the executable; Linux builds it into a
# resource-only PE image and builds that image into the program. Locale libraries are
# resource-only images in both builds, placed beside the executable as
# Locale/<locale>/kavexwebupdexe.dat.
#
# The images are made by MinGW-w64's windres and linker. The Windows build always has them.
# A native build uses them when they are installed; without them it takes the images
# checked in under resources/prebuilt/, which are made by the same commands (see
# docs/resources-and-locales.md).

set(KWU_PREBUILT_RESOURCES_DIR ${PROJECT_SOURCE_DIR}/resources/prebuilt CACHE INTERNAL "")
if(WIN32)
  find_program(KWU_WINDRES NAMES i686-w64-mingw32-windres REQUIRED)
  find_program(KWU_RESOURCE_LINKER NAMES i686-w64-mingw32-gcc REQUIRED)
  set(KWU_BUILD_RESOURCE_IMAGES ON CACHE INTERNAL "")
else()
  find_program(KWU_WINDRES NAMES i686-w64-mingw32-windres)
  find_program(KWU_RESOURCE_LINKER NAMES i686-w64-mingw32-gcc)
  if(KWU_WINDRES AND KWU_RESOURCE_LINKER AND EXISTS "${KWU_WINDRES}"
     AND EXISTS "${KWU_RESOURCE_LINKER}")
    set(KWU_BUILD_RESOURCE_IMAGES ON CACHE INTERNAL "")
    message(STATUS "Resource images: built from the .rc files with ${KWU_WINDRES}; "
                   "the test resources.prebuilt_images compares them with resources/prebuilt")
  else()
    set(KWU_BUILD_RESOURCE_IMAGES OFF CACHE INTERNAL "")
    message(STATUS "Resource images: i686-w64-mingw32-windres or i686-w64-mingw32-gcc not "
                   "found, using the checked-in images in resources/prebuilt (changes to the "
                   ".rc files take effect only once those are refreshed; no reproduction test)")
  endif()
endif()

# Kept in the cache so that the functions below work from any folder of the build.
set(KWU_UI_DIR ${PROJECT_SOURCE_DIR}/src/ui CACHE INTERNAL "")
set(KWU_RESOURCE_INPUTS
  ${KWU_UI_DIR}/resource_ids.h
  ${KWU_UI_DIR}/icons/updates_available.ico
  ${KWU_UI_DIR}/icons/no_updates.ico
  ${KWU_UI_DIR}/kavexwebupd.exe.manifest
  CACHE INTERNAL "")

# Compiles a resource script to an object; its includes and files resolve in its own
# folder and in src/ui. Resource images are 32-bit; an object linked into a program is
# compiled for the program's target (a third argument names that compiler).
function(kwu_compile_resources output script)
  get_filename_component(script_dir ${script} DIRECTORY)
  set(compiler ${KWU_WINDRES})
  if(ARGC GREATER 2)
    set(compiler ${ARGV2})
  endif()
  add_custom_command(OUTPUT ${output}
    COMMAND ${compiler} --input-format=rc --output-format=coff
            -I ${script_dir} -I ${KWU_UI_DIR} ${script} -o ${output}
    DEPENDS ${script} ${KWU_RESOURCE_INPUTS}
    COMMENT "Compiling resources ${script}"
    VERBATIM)
endfunction()

# Links a compiled resource object into a PE image with no code and no entry point. The
# image must come out the same from every build, wherever it runs: no time stamp, and an
# image base that does not depend on the output path (the automatic one is a hash of it).
function(kwu_link_resource_image output object)
  get_filename_component(output_dir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${KWU_RESOURCE_LINKER} -shared -nostdlib -s -Wl,-e,0
            -Wl,--no-insert-timestamp -Wl,--disable-auto-image-base ${object} -o ${output}
    DEPENDS ${object}
    COMMENT "Linking resource image ${output}"
    VERBATIM)
endfunction()

# Everything the native build makes into resource images; the list of them and their
# checked-in copies is written to resource_images.txt in the build folder.
add_custom_target(kwu_resource_images)
set(KWU_RESOURCE_IMAGE_LIST ${PROJECT_BINARY_DIR}/resource_images.txt CACHE INTERNAL "")

# Makes the resource image <output> from <script> (through <object>), or, in a native build
# without MinGW-w64, copies resources/prebuilt/<prebuilt> to it. The linker records the
# image's file name in it, so <prebuilt> ends in the same name as <output>.
function(kwu_resource_image output object script prebuilt)
  set(checked_in ${KWU_PREBUILT_RESOURCES_DIR}/${prebuilt})
  if(KWU_BUILD_RESOURCE_IMAGES)
    kwu_compile_resources(${object} ${script})
    kwu_link_resource_image(${output} ${object})
    if(NOT WIN32)
      set_property(TARGET kwu_resource_images APPEND PROPERTY
        KWU_IMAGES "${output}|${checked_in}|${script}")
    endif()
  else()
    file(RELATIVE_PATH shown_script ${PROJECT_SOURCE_DIR} ${script})
    file(RELATIVE_PATH shown_image ${PROJECT_SOURCE_DIR} ${checked_in})
    if(NOT EXISTS ${checked_in})
      message(FATAL_ERROR "${shown_script} has no checked-in image ${shown_image}. Make it "
                          "once in a build with MinGW-w64 (scripts/setup installs it) by "
                          "running scripts/refresh-resources, and commit it.")
    endif()
    get_filename_component(output_dir ${output} DIRECTORY)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
      COMMAND ${CMAKE_COMMAND} -E copy ${checked_in} ${output}
      DEPENDS ${checked_in}
      COMMENT "Copying the checked-in resource image ${shown_image}"
      VERBATIM)
  endif()
endfunction()

set(KWU_RESOURCE_OBJECT ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.obj)

if(WIN32)
  # Every program built on the core (the program, the test probes) carries the resources,
  # compiled for the program's target.
  kwu_compile_resources(${KWU_RESOURCE_OBJECT} ${KWU_UI_DIR}/kavexwebupd.rc ${CMAKE_RC_COMPILER})
  add_custom_target(kwu_program_resources DEPENDS ${KWU_RESOURCE_OBJECT})
  add_dependencies(kwu_core kwu_program_resources)
  target_link_libraries(kwu_core INTERFACE ${KWU_RESOURCE_OBJECT})
  set_property(TARGET kwu_core APPEND PROPERTY INTERFACE_LINK_DEPENDS ${KWU_RESOURCE_OBJECT})
else()
  set(KWU_RESOURCE_IMAGE ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.dll CACHE INTERNAL "")
  set(KWU_RESOURCE_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.cpp)
  kwu_resource_image(${KWU_RESOURCE_IMAGE} ${KWU_RESOURCE_OBJECT} ${KWU_UI_DIR}/kavexwebupd.rc
                     kavexwebupd_res.dll)
  # The image is made by a target of its own, so that it can be made without the core and
  # the core's rule for it never runs alongside.
  add_custom_target(kwu_program_image DEPENDS ${KWU_RESOURCE_IMAGE})
  add_dependencies(kwu_resource_images kwu_program_image)
  add_dependencies(kwu_core kwu_program_image)
  add_custom_command(OUTPUT ${KWU_RESOURCE_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${KWU_RESOURCE_IMAGE} -DOUTPUT=${KWU_RESOURCE_SOURCE}
            -DNAME=kProgramResourceImage -P ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
    DEPENDS ${KWU_RESOURCE_IMAGE} ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
    VERBATIM)
  target_sources(kwu_core PRIVATE ${KWU_RESOURCE_SOURCE})
endif()

# Every locale/<locale>/kavexwebupd.rc becomes Locale/<locale>/kavexwebupdexe.dat.
file(GLOB KWU_LOCALE_SCRIPTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/locale/*/kavexwebupd.rc)
set(KWU_LOCALE_LIBRARIES)
foreach(script ${KWU_LOCALE_SCRIPTS})
  get_filename_component(locale_dir ${script} DIRECTORY)
  get_filename_component(locale ${locale_dir} NAME)
  set(object ${CMAKE_CURRENT_BINARY_DIR}/locale_${locale}_res.obj)
  set(library ${CMAKE_CURRENT_BINARY_DIR}/Locale/${locale}/kavexwebupdexe.dat)
  kwu_resource_image(${library} ${object} ${script} Locale/${locale}/kavexwebupdexe.dat)
  list(APPEND KWU_LOCALE_LIBRARIES ${library})
endforeach()
add_custom_target(kwu_locale_libraries ALL DEPENDS ${KWU_LOCALE_LIBRARIES})
add_dependencies(kavexwebupd kwu_locale_libraries)
add_dependencies(kwu_resource_images kwu_locale_libraries)

if(NOT WIN32)
  file(GENERATE OUTPUT ${KWU_RESOURCE_IMAGE_LIST}
    CONTENT "$<JOIN:$<TARGET_PROPERTY:kwu_resource_images,KWU_IMAGES>,\n>\n")
  # Copies the freshly made images over the checked-in ones (scripts/refresh-resources).
  # Some of them are test fixtures, so only a build with the tests knows them all.
  if(KWU_BUILD_RESOURCE_IMAGES AND KWU_BUILD_TESTS)
    add_custom_target(kwu_refresh_resources
      COMMAND ${CMAKE_COMMAND} -DMODE=refresh -DLIST=${KWU_RESOURCE_IMAGE_LIST}
              -DPREBUILT_DIR=${KWU_PREBUILT_RESOURCES_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
              -P ${PROJECT_SOURCE_DIR}/cmake/prebuilt_resources.cmake
      VERBATIM)
    add_dependencies(kwu_refresh_resources kwu_resource_images)
  else()
    add_custom_target(kwu_refresh_resources
      COMMAND ${CMAKE_COMMAND} -E echo "Refreshing resources/prebuilt needs MinGW-w64"
              "(i686-w64-mingw32-windres and -gcc; scripts/setup installs them)"
              "and a build with the tests (KWU_BUILD_TESTS=ON)"
      COMMAND ${CMAKE_COMMAND} -E false
      VERBATIM)
  endif()
endif()

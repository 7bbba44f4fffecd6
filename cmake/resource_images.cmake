# How resource images are made: a resource script compiled by MinGW-w64's windres and
# linked into a PE image with no code, for the program's resources and locale libraries
# (src/ui/resources.cmake) and the test fixtures. The Windows build always makes them. A
# native build makes them when MinGW-w64 is installed; without it, it copies the images
# checked in under resources/prebuilt/, which are made by the same commands (see
# docs/resources-and-locales.md). Included by src/ui/resources.cmake.

set(KWU_PREBUILT_RESOURCES_DIR ${PROJECT_SOURCE_DIR}/resources/prebuilt CACHE INTERNAL "")
# Kept in the cache so that the functions below work from any folder of the build.
set(KWU_UI_DIR ${PROJECT_SOURCE_DIR}/src/ui CACHE INTERNAL "")
set(KWU_RESOURCE_INPUTS
  ${KWU_UI_DIR}/resource_ids.h
  ${KWU_UI_DIR}/icons/updates_available.ico
  ${KWU_UI_DIR}/icons/no_updates.ico
  ${KWU_UI_DIR}/kavexwebupd.exe.manifest
  CACHE INTERNAL "")

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
    message(STATUS "Resource images: built from the .rc and .po files with ${KWU_WINDRES}; "
                   "the test resources.prebuilt_images compares them with resources/prebuilt")
  else()
    set(KWU_BUILD_RESOURCE_IMAGES OFF CACHE INTERNAL "")
    message(STATUS "Resource images: i686-w64-mingw32-windres or i686-w64-mingw32-gcc not "
                   "found, using the checked-in images in resources/prebuilt (changes to the "
                   ".rc and .po files take effect only once those are refreshed; no "
                   "reproduction test)")
  endif()
endif()

# Compiles a resource script to an object; its includes and files resolve in its own
# folder and in src/ui. Resource images are 32-bit; an object linked into a program is
# compiled for the program's target (COMPILER names that compiler). DEFINES are defined for
# the script's preprocessor; FIRST_FOLDER is searched before those two, and its files
# replace theirs.
#   kwu_compile_resources(<output> <script> [COMPILER <windres>] [DEFINES <name>...]
#                         [FIRST_FOLDER <folder>])
function(kwu_compile_resources output script)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "COMPILER;FIRST_FOLDER" "DEFINES")
  get_filename_component(script_dir ${script} DIRECTORY)
  set(compiler ${KWU_WINDRES})
  if(arg_COMPILER)
    set(compiler ${arg_COMPILER})
  endif()
  list(TRANSFORM arg_DEFINES PREPEND "-D")
  set(first_folder)
  if(arg_FIRST_FOLDER)
    set(first_folder -I ${arg_FIRST_FOLDER})
  endif()
  add_custom_command(OUTPUT ${output}
    COMMAND ${compiler} --input-format=rc --output-format=coff ${arg_DEFINES}
            ${first_folder} -I ${script_dir} -I ${KWU_UI_DIR} ${script} -o ${output}
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

# Links <library>'s executables with one of the program's two sets of resources: the
# program itself, in a build without a manifest key, takes <shipped> (the executable's
# property KWU_SHIPPED_TEXTS says which one it is), so that its string table holds exactly
# the program's texts; every other executable takes <keyed>, which adds the texts only a
# build with a key shows, as the tool and the tests speak of them.
function(kwu_choose_program_texts library shipped keyed)
  set(texts ${keyed})
  if(NOT KWU_MANIFEST_PUBLIC_KEY)
    set(texts "$<IF:$<BOOL:$<TARGET_PROPERTY:KWU_SHIPPED_TEXTS>>,${shipped},${keyed}>")
  endif()
  target_link_libraries(${library} INTERFACE ${texts})
  if(WIN32)
    set_property(TARGET ${library} APPEND PROPERTY INTERFACE_LINK_DEPENDS ${shipped} ${keyed})
  endif()
endfunction()

# Copies the checked-in image resources/prebuilt/<prebuilt> to output, for the source it
# was made from; stops configuring when there is none.
function(kwu_copy_checked_in_image output source prebuilt)
  set(checked_in ${KWU_PREBUILT_RESOURCES_DIR}/${prebuilt})
  file(RELATIVE_PATH shown_script ${PROJECT_SOURCE_DIR} ${source})
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
endfunction()

# ---- The checked-in images ----
# Every image a native build makes is listed, with its checked-in copy and its script, in
# resource_images.txt in the build folder: the test resources.prebuilt_images compares them
# and scripts/refresh-resources (the target kwu_refresh_resources) copies them over.
add_custom_target(kwu_resource_images)
set(KWU_RESOURCE_IMAGE_LIST ${PROJECT_BINARY_DIR}/resource_images.txt CACHE INTERNAL "")

# Makes the resource image <output> from <script> (through <object>), or, in a native build
# without MinGW-w64, copies resources/prebuilt/<prebuilt> to it. The linker records the
# image's file name in it, so <prebuilt> ends in the same name as <output>. A generated
# script names the file it is made from (SOURCE), which messages show; DEFINES go to the
# script's preprocessor.
#   kwu_resource_image(<output> <object> <script> <prebuilt> [SOURCE <file>]
#                      [DEFINES <name>...])
function(kwu_resource_image output object script prebuilt)
  cmake_parse_arguments(PARSE_ARGV 4 arg "" "SOURCE" "DEFINES")
  set(source ${script})
  if(arg_SOURCE)
    set(source ${arg_SOURCE})
  endif()
  if(NOT KWU_BUILD_RESOURCE_IMAGES)
    kwu_copy_checked_in_image(${output} ${source} ${prebuilt})
    return()
  endif()
  kwu_compile_resources(${object} ${script} DEFINES ${arg_DEFINES})
  kwu_link_resource_image(${output} ${object})
  if(NOT WIN32)
    set_property(TARGET kwu_resource_images APPEND PROPERTY
      KWU_IMAGES "${output}|${KWU_PREBUILT_RESOURCES_DIR}/${prebuilt}|${source}")
  endif()
endfunction()

if(NOT WIN32)
  file(GENERATE OUTPUT ${KWU_RESOURCE_IMAGE_LIST}
    CONTENT "$<JOIN:$<TARGET_PROPERTY:kwu_resource_images,KWU_IMAGES>,\n>\n")
  # Some of the images are test fixtures, so only a build with the tests knows them all.
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

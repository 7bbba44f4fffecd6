# The program's resources, compiled from one script for both platforms, and the locale
# libraries. Windows links the compiled script into the executable; Linux builds it into a
# resource-only PE image and builds that image into the program. Locale libraries are
# resource-only images in both builds, placed beside the executable as
# Locale/<locale>/kavexwebupdexe.dat.

find_program(KWU_WINDRES NAMES i686-w64-mingw32-windres REQUIRED)
find_program(KWU_RESOURCE_LINKER NAMES i686-w64-mingw32-gcc REQUIRED)

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

# Links a compiled resource object into a PE image with no code and no entry point.
function(kwu_link_resource_image output object)
  add_custom_command(OUTPUT ${output}
    COMMAND ${KWU_RESOURCE_LINKER} -shared -nostdlib -s -Wl,-e,0 ${object} -o ${output}
    DEPENDS ${object}
    COMMENT "Linking resource image ${output}"
    VERBATIM)
endfunction()

set(KWU_RESOURCE_OBJECT ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.obj)
if(WIN32)
  kwu_compile_resources(${KWU_RESOURCE_OBJECT} ${KWU_UI_DIR}/kavexwebupd.rc ${CMAKE_RC_COMPILER})
else()
  kwu_compile_resources(${KWU_RESOURCE_OBJECT} ${KWU_UI_DIR}/kavexwebupd.rc)
endif()

if(WIN32)
  # Every program built on the core (the program, the test probes) carries the resources.
  add_custom_target(kwu_program_resources DEPENDS ${KWU_RESOURCE_OBJECT})
  add_dependencies(kwu_core kwu_program_resources)
  target_link_libraries(kwu_core INTERFACE ${KWU_RESOURCE_OBJECT})
  set_property(TARGET kwu_core APPEND PROPERTY INTERFACE_LINK_DEPENDS ${KWU_RESOURCE_OBJECT})
else()
  set(KWU_RESOURCE_IMAGE ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.dll CACHE INTERNAL "")
  set(KWU_RESOURCE_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.cpp)
  kwu_link_resource_image(${KWU_RESOURCE_IMAGE} ${KWU_RESOURCE_OBJECT})
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
  kwu_compile_resources(${object} ${script})
  kwu_link_resource_image(${library} ${object})
  list(APPEND KWU_LOCALE_LIBRARIES ${library})
endforeach()
add_custom_target(kwu_locale_libraries ALL DEPENDS ${KWU_LOCALE_LIBRARIES})
add_dependencies(kavexwebupd kwu_locale_libraries)

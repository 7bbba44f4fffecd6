# Locale libraries made from the translations: each language's resource script is written
# by tools/make_locale_rc.py from the program's English templates (src/ui/kavexwebupd.rc)
# and locale/<folder>.po, then compiled and linked like every resource image into
# Locale/<folder>/kavexwebupdexe.dat (kwu_resource_image of cmake/resource_images.cmake,
# which must be included first). Included by src/ui/resources.cmake.
#
#   kwu_locale_folders(<variable>)                 the folders of tools/locale_languages.py
#   kwu_locale_libraries(<variable> <folder>...)   the rules; <variable> gets the libraries

# The system's Python, where scripts/setup installs polib, before any other on the path.
find_program(KWU_TOOLS_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT KWU_TOOLS_PYTHON)
  find_program(KWU_TOOLS_PYTHON NAMES python3 REQUIRED)
endif()
set(KWU_LOCALE_TOOLS ${PROJECT_SOURCE_DIR}/tools CACHE INTERNAL "")

function(kwu_locale_folders result)
  execute_process(
    COMMAND ${KWU_TOOLS_PYTHON} ${KWU_LOCALE_TOOLS}/make_locale_rc.py --list
    OUTPUT_VARIABLE folders OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" folders "${folders}")
  # The table is read again when it changes.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${KWU_LOCALE_TOOLS}/locale_languages.py)
  set(${result} ${folders} PARENT_SCOPE)
endfunction()

function(kwu_locale_libraries result)
  set(generator
    ${KWU_LOCALE_TOOLS}/make_locale_rc.py ${KWU_LOCALE_TOOLS}/locale_languages.py
    ${KWU_LOCALE_TOOLS}/resource_script.py
    ${KWU_UI_DIR}/kavexwebupd.rc)
  set(libraries)
  foreach(folder ${ARGN})
    set(po ${PROJECT_SOURCE_DIR}/locale/${folder}.po)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/locale_scripts/${folder}/kavexwebupd.rc)
    set(object ${CMAKE_CURRENT_BINARY_DIR}/locale_${folder}_res.obj)
    set(library ${CMAKE_CURRENT_BINARY_DIR}/Locale/${folder}/kavexwebupdexe.dat)
    # Without MinGW-w64 the checked-in image is copied and the script is not needed.
    if(KWU_BUILD_RESOURCE_IMAGES)
      add_custom_command(OUTPUT ${script}
        COMMAND ${KWU_TOOLS_PYTHON} ${KWU_LOCALE_TOOLS}/make_locale_rc.py ${folder} ${script}
                --po ${po}
        DEPENDS ${po} ${generator}
        COMMENT "Generating the resource script of Locale/${folder}"
        VERBATIM)
    endif()
    kwu_resource_image(${library} ${object} ${script} Locale/${folder}/kavexwebupdexe.dat
                       SOURCE ${po})
    list(APPEND libraries ${library})
  endforeach()
  set(${result} ${libraries} PARENT_SCOPE)
endfunction()

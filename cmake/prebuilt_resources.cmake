# Compares the resource images a native build made with the ones checked in under
# resources/prebuilt/, or copies the made ones over them.
#   cmake -DMODE=check|refresh -DLIST=<build>/resource_images.txt -DPREBUILT_DIR=<folder>
#         -DSOURCE_DIR=<source folder> -P prebuilt_resources.cmake
# Each line of the list reads <made image>|<checked-in image>|<its source> (a resource script,
# or the translation a locale library's script is generated from).

# Files of the folder that are not images.
set(notes README.md .gitattributes)

file(STRINGS "${LIST}" entries)
set(expected)
set(problems)
set(changed)
foreach(entry ${entries})
  string(REPLACE "|" ";" fields "${entry}")
  list(LENGTH fields count)
  if(NOT count EQUAL 3)
    continue()
  endif()
  list(GET fields 0 made)
  list(GET fields 1 checked_in)
  list(GET fields 2 source)
  file(RELATIVE_PATH shown_image "${SOURCE_DIR}" "${checked_in}")
  file(RELATIVE_PATH shown_source "${SOURCE_DIR}" "${source}")
  file(RELATIVE_PATH name "${PREBUILT_DIR}" "${checked_in}")
  list(APPEND expected "${name}")

  if(NOT EXISTS "${made}")
    list(APPEND problems "${made} has not been built yet (build the tree first)")
    continue()
  endif()
  if(EXISTS "${checked_in}")
    file(SHA256 "${made}" made_hash)
    file(SHA256 "${checked_in}" checked_in_hash)
    if(made_hash STREQUAL checked_in_hash)
      continue()
    endif()
    set(problem "${shown_image} differs from the image built from ${shown_source}")
  else()
    set(problem "${shown_image} is missing (it is built from ${shown_source})")
  endif()
  if(MODE STREQUAL "refresh")
    # Plain data files, not programs, whatever mode the linker gave them.
    if(EXISTS "${checked_in}")
      list(APPEND changed "updated ${shown_image}")
    else()
      list(APPEND changed "added ${shown_image}")
    endif()
    configure_file("${made}" "${checked_in}" COPYONLY NO_SOURCE_PERMISSIONS)
  else()
    list(APPEND problems "${problem}")
  endif()
endforeach()

# An image no source makes any more would be built into nothing; it only misleads.
file(GLOB_RECURSE present RELATIVE "${PREBUILT_DIR}" "${PREBUILT_DIR}/*")
list(REMOVE_ITEM present ${notes} ${expected})
foreach(name ${present})
  if(MODE STREQUAL "refresh")
    file(REMOVE "${PREBUILT_DIR}/${name}")
    list(APPEND changed "removed resources/prebuilt/${name}")
  else()
    list(APPEND problems "resources/prebuilt/${name} is made from no source any more")
  endif()
endforeach()

list(LENGTH expected total)
if(total EQUAL 0)
  message(FATAL_ERROR "${LIST} lists no resource images")
endif()
if(MODE STREQUAL "refresh")
  if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Cannot refresh resources/prebuilt:\n  ${text}")
  endif()
  if(changed)
    list(JOIN changed "\n  " text)
    message(STATUS "resources/prebuilt:\n  ${text}\nCommit these files.")
  else()
    message(STATUS "resources/prebuilt: all ${total} images are up to date")
  endif()
elseif(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR
    "The checked-in resource images in resources/prebuilt/ are not those this build makes "
    "from the resource scripts:\n  ${text}\n"
    "Native builds without MinGW-w64 use the checked-in images, so they must match. After "
    "changing a .rc file (or what it includes), refresh them with\n"
    "    scripts/refresh-resources\n"
    "(or: cmake --build <build folder> --target kwu_refresh_resources) and commit "
    "resources/prebuilt/ with the change.")
else()
  message(STATUS "All ${total} resource images match resources/prebuilt")
endif()

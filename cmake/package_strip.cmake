# Run by CPack after it staged the files of a Debian package and before it packs them:
# strips the programs and the dialog module as Debian's own packages are stripped (dh_strip):
# no symbols, and neither the compiler's .comment nor the .note section; a shared object
# keeps only the symbols it needs to be loaded.
if(NOT CPACK_TEMPORARY_INSTALL_DIRECTORY OR NOT CPACK_KWU_STRIP)
  message(FATAL_ERROR "package_strip: CPack gave no staging folder or no strip program")
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES false ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*)
set(programs ${staged})
list(FILTER programs INCLUDE REGEX "/bin/[^/]+$")
set(modules ${staged})
list(FILTER modules INCLUDE REGEX "\\.so$")
set(sections --remove-section=.comment --remove-section=.note)
foreach(file ${programs})
  execute_process(COMMAND ${CPACK_KWU_STRIP} --strip-all ${sections} ${file}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "package_strip: cannot strip ${file}")
  endif()
endforeach()
foreach(file ${modules})
  execute_process(COMMAND ${CPACK_KWU_STRIP} ${sections} --strip-unneeded ${file}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "package_strip: cannot strip ${file}")
  endif()
endforeach()

# Run by CPack after it staged the files of a package and before it packs them: gives
# every staged file and folder the time SOURCE_DATE_EPOCH, so that the package's members
# carry no time of the build.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} OR "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  return()
endif()
if(NOT CPACK_TEMPORARY_INSTALL_DIRECTORY)
  message(FATAL_ERROR "package_timestamps: CPack gave no staging folder")
endif()
execute_process(
  COMMAND find ${CPACK_TEMPORARY_INSTALL_DIRECTORY} -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "package_timestamps: cannot set the time stamps")
endif()

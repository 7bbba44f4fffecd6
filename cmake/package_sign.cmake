# Run by CPack after it staged the files of a Windows zip and before it packs them, when
# scripts/package was given a code-signing certificate: signs every program and locale
# library with osslsigncode (Authenticode, SHA-256) and checks each signature before the
# file takes the place of the unsigned one. Any failure stops the package. Set by
# scripts/package for this run alone:
#   KWU_SIGN_CERT           the certificate: a PKCS #12 file, or a PEM or DER file whose
#                           key KWU_SIGN_KEY names
#   KWU_SIGN_KEY            the private key: a file or a PKCS #11 URI (empty: in the .pfx)
#   KWU_SIGN_PKCS11_MODULE  the token's PKCS #11 module, for a key in a token
#   KWU_SIGN_PASSWORD_FILE  the file whose first line is the key's password or PIN
#   KWU_TIMESTAMP_URL       an RFC 3161 time-stamp authority (empty: no time stamp)
#   KWU_SIGN_CA_FILE        the authorities the check trusts (empty: the system's)
if("$ENV{KWU_SIGN_CERT}" STREQUAL "")
  return()
endif()
if(NOT CPACK_TEMPORARY_INSTALL_DIRECTORY)
  message(FATAL_ERROR "package_sign: CPack gave no staging folder")
endif()
find_program(osslsigncode NAMES osslsigncode)
if(NOT osslsigncode)
  message(FATAL_ERROR "package_sign: osslsigncode is not installed (scripts/setup installs it)")
endif()

set(credentials)
if(NOT "$ENV{KWU_SIGN_PKCS11_MODULE}" STREQUAL "")
  list(APPEND credentials -pkcs11module $ENV{KWU_SIGN_PKCS11_MODULE})
endif()
if("$ENV{KWU_SIGN_KEY}" STREQUAL "")
  list(APPEND credentials -pkcs12 $ENV{KWU_SIGN_CERT})
else()
  list(APPEND credentials -certs $ENV{KWU_SIGN_CERT} -key $ENV{KWU_SIGN_KEY})
endif()
if(NOT "$ENV{KWU_SIGN_PASSWORD_FILE}" STREQUAL "")
  list(APPEND credentials -readpass $ENV{KWU_SIGN_PASSWORD_FILE})
endif()
set(timestamp)
if(NOT "$ENV{KWU_TIMESTAMP_URL}" STREQUAL "")
  set(timestamp -ts $ENV{KWU_TIMESTAMP_URL})
endif()
set(trusted)
if(NOT "$ENV{KWU_SIGN_CA_FILE}" STREQUAL "")
  set(trusted -CAfile $ENV{KWU_SIGN_CA_FILE} -TSA-CAfile $ENV{KWU_SIGN_CA_FILE})
endif()

# The programs and the locale libraries: every PE file of the zip.
file(GLOB_RECURSE files LIST_DIRECTORIES false
     ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.exe ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.dat)
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "package_sign: no program in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(file ${files})
  file(RELATIVE_PATH name ${CPACK_TEMPORARY_INSTALL_DIRECTORY} ${file})
  set(signed ${file}.signed)
  file(REMOVE ${signed})
  execute_process(
    COMMAND ${osslsigncode} sign ${credentials} -h sha256 ${timestamp} -in ${file} -out ${signed}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    file(REMOVE ${signed})
    message(FATAL_ERROR "package_sign: cannot sign ${name}:\n${output}")
  endif()
  execute_process(COMMAND ${osslsigncode} verify ${trusted} -in ${signed}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    file(REMOVE ${signed})
    message(FATAL_ERROR "package_sign: the signature of ${name} does not verify:\n${output}")
  endif()
  # Written over the unsigned file, which keeps its permissions in the zip.
  execute_process(COMMAND cp ${signed} ${file} RESULT_VARIABLE result)
  file(REMOVE ${signed})
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "package_sign: cannot replace ${name} by its signed copy")
  endif()
  message(STATUS "package_sign: signed and verified ${name}")
endforeach()

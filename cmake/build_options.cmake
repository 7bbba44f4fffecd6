# What a maker chose for the channel (KWU_URL_SCHEMES, KWU_MANIFEST_PUBLIC_KEY), written
# into a header for the sources that act on it: build_options.h in the folder given.
#   kwu_write_build_options(<folder>)

# The bytes of a base64 text as lower-case hex digits, two per byte. Raises an error for a
# character outside the alphabet; padding ends the text.
function(kwu_base64_to_hex text out)
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  set(hex "")
  set(bits 0)
  set(count 0)
  string(LENGTH "${text}" length)
  math(EXPR last "${length} - 1")
  foreach(i RANGE 0 ${last})
    string(SUBSTRING "${text}" ${i} 1 c)
    if(c STREQUAL "=")
      break()
    endif()
    string(FIND "${alphabet}" "${c}" value)
    if(value LESS 0)
      message(FATAL_ERROR "KWU_MANIFEST_PUBLIC_KEY: \"${c}\" is not a base64 character")
    endif()
    math(EXPR bits "((${bits} << 6) | ${value}) & 0xFFFFFF")
    math(EXPR count "${count} + 6")
    if(count GREATER_EQUAL 8)
      math(EXPR count "${count} - 8")
      math(EXPR byte "(${bits} >> ${count}) & 0xFF" OUTPUT_FORMAT HEXADECIMAL)
      string(SUBSTRING "${byte}" 2 -1 byte)
      string(LENGTH "${byte}" digits)
      if(digits EQUAL 1)
        set(byte "0${byte}")
      endif()
      string(TOLOWER "${byte}" byte)
      string(APPEND hex "${byte}")
    endif()
  endforeach()
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# The key of a PEM file ("PUBLIC KEY": an ECDSA P-256 SubjectPublicKeyInfo with an
# uncompressed point) as a C initializer of its 64 bytes, X then Y.
function(kwu_manifest_key_initializer pem out)
  if(NOT EXISTS "${pem}")
    message(FATAL_ERROR "KWU_MANIFEST_PUBLIC_KEY: ${pem} does not exist")
  endif()
  file(READ "${pem}" content)
  if(NOT content MATCHES "-----BEGIN PUBLIC KEY-----([^-]*)-----END PUBLIC KEY-----")
    message(FATAL_ERROR "KWU_MANIFEST_PUBLIC_KEY: ${pem} holds no \"PUBLIC KEY\" in PEM form")
  endif()
  string(REGEX REPLACE "[ \t\r\n]" "" base64 "${CMAKE_MATCH_1}")
  kwu_base64_to_hex("${base64}" der)
  # The fixed form of a P-256 key: SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 },
  # BIT STRING { 04 X Y } }, 91 bytes in all.
  set(prefix "3059301306072a8648ce3d020106082a8648ce3d03010703420004")
  string(LENGTH "${der}" digits)
  string(FIND "${der}" "${prefix}" at)
  if(NOT digits EQUAL 182 OR NOT at EQUAL 0)
    message(FATAL_ERROR "KWU_MANIFEST_PUBLIC_KEY: ${pem} is not an ECDSA P-256 public key "
                        "(make one with: kavexwebupd-manifest keygen PRIVATE.pem PUBLIC.pem)")
  endif()
  string(SUBSTRING "${der}" 54 128 point)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " bytes "${point}")
  string(REGEX REPLACE ", $" "" bytes "${bytes}")
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()

function(kwu_write_build_options folder)
  set(accepts_http 0)
  set(accepts_https 0)
  if(KWU_URL_SCHEMES MATCHES "^(http|http,https)$")
    set(accepts_http 1)
  endif()
  if(KWU_URL_SCHEMES MATCHES "^(https|http,https)$")
    set(accepts_https 1)
  endif()
  set(key_built_in 0)
  set(key_bytes "0")
  if(KWU_MANIFEST_PUBLIC_KEY)
    set(key_built_in 1)
    kwu_manifest_key_initializer("${KWU_MANIFEST_PUBLIC_KEY}" key_bytes)
    # A new key file, or a changed one, configures the build again.
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 "${KWU_MANIFEST_PUBLIC_KEY}")
  endif()
  file(CONFIGURE OUTPUT "${folder}/build_options.h" CONTENT
"// Made by the build from KWU_URL_SCHEMES and KWU_MANIFEST_PUBLIC_KEY; do not edit.
#pragma once
// The schemes of the addresses the program uses: 1 when accepted.
#define KWU_ACCEPTS_HTTP ${accepts_http}
#define KWU_ACCEPTS_HTTPS ${accepts_https}
// 1 when every manifest must carry a valid signature by the key whose point (X then Y,
// 64 bytes, big-endian) KWU_MANIFEST_KEY_POINT lists.
#define KWU_MANIFEST_KEY_BUILT_IN ${key_built_in}
#define KWU_MANIFEST_KEY_POINT ${key_bytes}
" @ONLY)
endfunction()

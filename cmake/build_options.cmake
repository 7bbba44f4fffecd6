# What a maker chose for the channel (KWU_URL_SCHEMES, KWU_MANIFEST_PUBLIC_KEY), written
# into a header for the sources that act on it: build_options.h in the folder given.
#   kwu_write_build_options(<folder>)

# The keys of a PEM file, one to four "PUBLIC KEY" blocks, each an ECDSA P-256 key, as C
# initializers of the program's ManifestKey: {{X then Y, 64 bytes}, "<key id>"}. openssl
# checks each key (a point on its curve) and writes it in the one DER form of a P-256 key,
# whose SHA-256 digest begins with the key id.
function(kwu_manifest_keys_initializer pem out)
  if(NOT EXISTS "${pem}")
    message(FATAL_ERROR "KWU_MANIFEST_PUBLIC_KEY: ${pem} does not exist")
  endif()
  find_program(KWU_OPENSSL openssl)
  if(NOT KWU_OPENSSL)
    message(FATAL_ERROR "KWU_MANIFEST_PUBLIC_KEY: the openssl command is needed to read "
                        "the key (scripts/setup installs it)")
  endif()
  file(READ "${pem}" content)
  string(REGEX MATCHALL "-----BEGIN PUBLIC KEY-----[^-]*-----END PUBLIC KEY-----" blocks
         "${content}")
  list(LENGTH blocks count)
  if(count LESS 1 OR count GREATER 4)
    message(FATAL_ERROR "KWU_MANIFEST_PUBLIC_KEY: ${pem} holds ${count} PEM \"PUBLIC KEY\" "
                        "blocks; one to four are trusted")
  endif()
  # The fixed beginning of a P-256 key's DER with an uncompressed point: SEQUENCE {
  # SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING { 04 X Y } }, 91 bytes in all.
  set(prefix "3059301306072a8648ce3d020106082a8648ce3d03010703420004")
  set(work "${CMAKE_CURRENT_BINARY_DIR}/manifest-keys")
  file(REMOVE_RECURSE "${work}")
  file(MAKE_DIRECTORY "${work}")
  set(initializers "")
  set(ids "")
  set(number 0)
  foreach(block IN LISTS blocks)
    math(EXPR number "${number} + 1")
    set(what "KWU_MANIFEST_PUBLIC_KEY: key ${number} of ${pem}")
    file(WRITE "${work}/key.pem" "${block}\n")
    execute_process(COMMAND "${KWU_OPENSSL}" pkey -pubin -in "${work}/key.pem" -pubcheck -noout
                    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE why)
    if(failed)
      message(FATAL_ERROR "${what} is not a valid public key (openssl cannot read it, or its "
                          "point is not on its curve):\n${why}")
    endif()
    execute_process(COMMAND "${KWU_OPENSSL}" pkey -pubin -in "${work}/key.pem" -outform DER
                            -ec_conv_form uncompressed -out "${work}/key.der"
                    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE why)
    if(failed)
      message(FATAL_ERROR "${what}: openssl cannot write it:\n${why}")
    endif()
    file(READ "${work}/key.der" der HEX)
    string(LENGTH "${der}" digits)
    string(FIND "${der}" "${prefix}" at)
    if(NOT digits EQUAL 182 OR NOT at EQUAL 0)
      message(FATAL_ERROR "${what} is not an ECDSA P-256 public key "
                          "(make one with: kavexwebupd-manifest keygen PRIVATE.pem PUBLIC.pem)")
    endif()
    file(SHA256 "${work}/key.der" digest)
    string(SUBSTRING "${digest}" 0 16 id)
    list(FIND ids "${id}" found)
    if(found GREATER -1)
      message(FATAL_ERROR "${what} is there twice")
    endif()
    list(APPEND ids "${id}")
    string(SUBSTRING "${der}" 54 128 point)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " bytes "${point}")
    string(REGEX REPLACE ", $" "" bytes "${bytes}")
    string(APPEND initializers "{{${bytes}}, \"${id}\"}, ")
  endforeach()
  file(REMOVE_RECURSE "${work}")
  string(REGEX REPLACE ", $" "" initializers "${initializers}")
  set(${out} "${initializers}" PARENT_SCOPE)
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
  set(keys "")
  if(KWU_MANIFEST_PUBLIC_KEY)
    set(key_built_in 1)
    kwu_manifest_keys_initializer("${KWU_MANIFEST_PUBLIC_KEY}" keys)
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
// 1 when every manifest must carry a valid signature by one of the keys that
// KWU_MANIFEST_KEYS lists: {{its point, X then Y, 64 bytes, big-endian}, \"<key id>\"}.
#define KWU_MANIFEST_KEY_BUILT_IN ${key_built_in}
#define KWU_MANIFEST_KEYS ${keys}
" @ONLY)
endfunction()

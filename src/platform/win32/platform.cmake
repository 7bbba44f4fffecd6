# Windows: WinINet and the system DLLs, and executables that need nothing beyond them.

# Linked into each executable rather than the library: the small terminate handler, which
# must be chosen before the runtime library's.
set(KWU_EXECUTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/terminate_handler.cpp)
# The runtime starts WinMain itself.
set(KWU_PLATFORM_ENTRY)
# MSVC links its runtime in, as MinGW does below.
set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")

function(kwu_platform_library target)
  target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
  target_link_libraries(${target} PUBLIC wininet shell32 user32 advapi32 kernel32)
endfunction()

# Signatures and keys: CNG, whose bcrypt.dll the code loads only when it verifies or signs,
# so that a program built without a key imports nothing new.
function(kwu_platform_crypto target)
endfunction()

# The maker's tool reads and writes key files with crypt32 (and DER code of its own for
# private keys, tool/win32/key_files.cpp); the program never links it.
function(kwu_platform_key_files target)
  target_link_libraries(${target} PUBLIC crypt32)
endfunction()

# A GUI-subsystem or console executable. The runtime goes into it (libgcc and libstdc++
# with MinGW), and a release executable carries no symbols, which halves its size.
# MinGW-w64's GCC 12 stops with an internal error when it splits the tool's link-time
# optimisation into partitions; one partition links every executable.
function(kwu_platform_executable target kind)
  if(kind STREQUAL "GUI")
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
  target_sources(${target} PRIVATE ${KWU_EXECUTABLE_SOURCES})
  if(MINGW)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                        $<$<CONFIG:Release>:-s> $<$<CONFIG:Release>:-flto-partition=one>)
  endif()
endfunction()

# The program's resources are compiled for the program's target and linked into every
# executable built on the library (the program, the tool, the test programs): the texts as
# the program ships them, or the same with the texts that only a build with a manifest key
# shows (KWU_MANIFEST_KEY_TEXTS), which the tool and the tests take
# (kwu_choose_program_texts). A 64-bit program's application manifest names its own
# architecture, for itself and for the common controls it asks for (64-bit Windows loads no
# x86 assembly into it): the build writes that copy of src/ui's manifest, which the 32-bit
# program carries as it is.
function(kwu_program_resources library script)
  set(shipped ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_res.obj)
  set(keyed ${CMAKE_CURRENT_BINARY_DIR}/kavexwebupd_keyed_res.obj)
  set(own_manifest)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(manifest ${KWU_UI_DIR}/kavexwebupd.exe.manifest)
    set(own_manifest ${CMAKE_CURRENT_BINARY_DIR}/amd64)
    file(READ ${manifest} content)
    string(REGEX MATCHALL "processorArchitecture=\"X86\"" found "${content}")
    list(LENGTH found count)
    if(NOT count EQUAL 2)
      message(FATAL_ERROR "${manifest}: expected the program's and the common controls' "
                          "processorArchitecture=\"X86\", found ${count}")
    endif()
    string(REPLACE "processorArchitecture=\"X86\"" "processorArchitecture=\"amd64\""
           content "${content}")
    file(CONFIGURE OUTPUT ${own_manifest}/kavexwebupd.exe.manifest CONTENT "${content}"
         @ONLY)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${manifest})
  endif()
  kwu_compile_resources(${shipped} ${script} COMPILER ${CMAKE_RC_COMPILER}
                        FIRST_FOLDER ${own_manifest})
  kwu_compile_resources(${keyed} ${script} COMPILER ${CMAKE_RC_COMPILER}
                        FIRST_FOLDER ${own_manifest} DEFINES KWU_MANIFEST_KEY_TEXTS)
  add_custom_target(kwu_program_resources DEPENDS ${shipped} ${keyed})
  add_dependencies(${library} kwu_program_resources)
  kwu_choose_program_texts(${library} ${shipped} ${keyed})
endfunction()

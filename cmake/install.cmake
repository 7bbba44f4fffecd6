# What `cmake --install` puts where, for both builds; CPack packs the same (packaging.cmake).
# Included by src/CMakeLists.txt, where the program and its locale libraries are known.
#
# Linux, after the Debian policy and the XDG conventions, under the prefix:
#   bin/kavexwebupd
#   lib/kavexwebupd/Locale/<locale>/kavexwebupdexe.dat   found by platform::LocaleBaseFolder
#   share/man/man1/kavexwebupd.1.gz
#   share/doc/kavexwebupd/  README.md, copyright, changelog.gz, examples/
#   lib/kavexwebupd/modules/libkavexwebupd-gtk.so        the desktop dialogs (component gtk)
#   share/doc/kavexwebupd-gtk/  copyright, changelog.gz  (component gtk)
# Windows, in the program's folder:
#   kavexwebupd.exe, Locale\<locale>\kavexwebupdexe.dat, LICENSE, README-makers.txt

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(KWU_DATA_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

if(WIN32)
  set(KWU_INSTALL_BINDIR .)
  # The folder that holds Locale\ (and the program's private modules): the program's own.
  set(KWU_INSTALL_PRIVATEDIR .)
  set(KWU_INSTALL_DOCDIR .)
else()
  set(KWU_INSTALL_BINDIR bin)
  # Always lib/, not the multiarch library folder: the program finds it as ../lib/kavexwebupd
  # from its bin/ folder.
  set(KWU_INSTALL_PRIVATEDIR lib/kavexwebupd)
  set(KWU_INSTALL_DOCDIR share/doc/kavexwebupd)
endif()

install(CODE "
  if(NOT EXISTS \"$<TARGET_FILE:kavexwebupd>\")
    message(FATAL_ERROR \"The program is not built: cmake --build ${PROJECT_BINARY_DIR}\")
  endif()")
install(TARGETS kavexwebupd RUNTIME DESTINATION ${KWU_INSTALL_BINDIR})

# ---- Further programs and modules of the package: one install() line each. ----
install(TARGETS kavexwebupd-manifest RUNTIME DESTINATION ${KWU_INSTALL_BINDIR})
# The Linux dialog module (src/platform/posix/platform.cmake), in a package of its own.
if(TARGET kavexwebupd-gtk)
  install(TARGETS kavexwebupd-gtk LIBRARY DESTINATION ${KWU_INSTALL_PRIVATEDIR}/modules
          COMPONENT gtk)
endif()
# A man page for a new program: kwu_install_man_page(<name>) below.
# ---- end of further programs and modules ----

# Whatever builds the program builds everything installed with it (scripts/benchmark and
# scripts/demo build the program alone), so that `cmake --install` works after any build
# that made it; after one that did not, it says so (the check above) instead of failing on a
# missing file.
add_dependencies(kavexwebupd kavexwebupd-manifest)

# Every translation: Locale/<locale>/kavexwebupdexe.dat under the private folder.
foreach(library ${KWU_LOCALE_LIBRARIES})
  get_filename_component(locale_dir ${library} DIRECTORY)
  get_filename_component(locale ${locale_dir} NAME)
  install(FILES ${library} DESTINATION ${KWU_INSTALL_PRIVATEDIR}/Locale/${locale}
          PERMISSIONS ${KWU_DATA_PERMISSIONS})
endforeach()

if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
                ${PROJECT_SOURCE_DIR}/packaging/windows/README-makers.txt
          DESTINATION ${KWU_INSTALL_DOCDIR} PERMISSIONS ${KWU_DATA_PERMISSIONS})
  return()
endif()

# Compressed documentation, made without names or time stamps in the gzip headers, so
# that it comes out the same from every build.
find_program(KWU_GZIP NAMES gzip REQUIRED)
set(KWU_DOC_BUILD_DIR ${PROJECT_BINARY_DIR}/doc)
add_custom_target(kwu_compressed_docs ALL)
add_dependencies(kavexwebupd kwu_compressed_docs)
function(kwu_gzip_file source output)
  get_filename_component(output_dir ${output} DIRECTORY)
  string(REGEX REPLACE "\\.gz$" "" plain ${output})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND ${KWU_GZIP} -9nf ${plain}
    DEPENDS ${source}
    VERBATIM)
  get_filename_component(name ${output} NAME)
  add_custom_target(kwu_gzip_${name} DEPENDS ${output})
  add_dependencies(kwu_compressed_docs kwu_gzip_${name})
endfunction()

function(kwu_install_man_page program)
  set(page ${KWU_DOC_BUILD_DIR}/${program}.1.gz)
  kwu_gzip_file(${PROJECT_SOURCE_DIR}/man/${program}.1 ${page})
  install(FILES ${page} DESTINATION share/man/man1 PERMISSIONS ${KWU_DATA_PERMISSIONS})
endfunction()

kwu_install_man_page(kavexwebupd)
kwu_install_man_page(kavexwebupd-manifest)
kwu_gzip_file(${PROJECT_SOURCE_DIR}/packaging/linux/changelog ${KWU_DOC_BUILD_DIR}/changelog.gz)
# The package's README speaks of what the package installs; the project's README.md names
# docs/ and screenshots that only the source tree has.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/README.md
              ${PROJECT_SOURCE_DIR}/packaging/linux/copyright
              ${KWU_DOC_BUILD_DIR}/changelog.gz
        DESTINATION ${KWU_INSTALL_DOCDIR} PERMISSIONS ${KWU_DATA_PERMISSIONS})
# The dialog module's package carries the same licence and changelog under its own name.
if(TARGET kavexwebupd-gtk)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/copyright ${KWU_DOC_BUILD_DIR}/changelog.gz
          DESTINATION share/doc/kavexwebupd-gtk COMPONENT gtk PERMISSIONS ${KWU_DATA_PERMISSIONS})
endif()
# Examples a maker or user enables: the autostart entry, the systemd user units and a
# product description file. The service names the program where it is installed: the
# prefix is known only when installing (cmake --install --prefix, CPack's /usr), so the
# file is made then.
set(KWU_SERVICE_FILE ${KWU_DOC_BUILD_DIR}/kavexwebupd.service)
install(CODE "
  set(KWU_INSTALL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${KWU_INSTALL_BINDIR}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/linux/kavexwebupd.service.in\"
                 \"${KWU_SERVICE_FILE}\" @ONLY)")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/kavexwebupd-autostart.desktop
              ${KWU_SERVICE_FILE}
              ${PROJECT_SOURCE_DIR}/packaging/linux/kavexwebupd.timer
              ${PROJECT_SOURCE_DIR}/examples/ExampleApp.xml
        DESTINATION ${KWU_INSTALL_DOCDIR}/examples PERMISSIONS ${KWU_DATA_PERMISSIONS})

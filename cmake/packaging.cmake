# The packages, made by CPack from the install rules (install.cmake): a zip for Windows, a
# Debian package for Linux. scripts/package makes both from a clean clone into dist/.
set(CPACK_PACKAGE_NAME kavexwebupd)
set(CPACK_PACKAGE_VENDOR "Dexivane Software")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_SOURCE_GENERATOR "")
# Every member of a package carries the time of the commit it is built from
# (SOURCE_DATE_EPOCH), not the time of the build; the Linux binaries are stripped first.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_timestamps.cmake)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(kwu_arch win64)
  else()
    set(kwu_arch win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  # Signed first, when scripts/package has a certificate (package_sign.cmake): the time
  # stamps come after.
  list(PREPEND CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_sign.cmake)
  set(CPACK_PACKAGE_FILE_NAME kavexwebupd-${PROJECT_VERSION}-${kwu_arch})
  # Unzipped, the files stand in one folder of their own.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  # The Windows program is linked without symbols; the Linux binaries are stripped as
  # Debian strips its packages' (package_strip.cmake), before their time stamps are set.
  set(CPACK_KWU_STRIP ${CMAKE_STRIP})
  list(PREPEND CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_strip.cmake)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Dexivane Software <packages@dexivane.example>")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Depends from the libraries the program links (dpkg-shlibdeps, of dpkg-dev).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Two packages: the program, which shows its dialogs on the terminal by itself, and the
  # GTK dialog module, so that a machine without a desktop needs no GTK.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME kavexwebupd)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "xdg-utils")
  if(TARGET kavexwebupd-gtk)
    set(CPACK_COMPONENTS_ALL program gtk)
    set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "kavexwebupd-gtk, xdg-utils")
    set(CPACK_DEBIAN_GTK_PACKAGE_NAME kavexwebupd-gtk)
    set(CPACK_DEBIAN_GTK_PACKAGE_SECTION x11)
    set(CPACK_DEBIAN_GTK_PACKAGE_DEPENDS "kavexwebupd (= ${PROJECT_VERSION})")
    set(CPACK_COMPONENT_GTK_DESCRIPTION
"desktop dialogs for the KavexWebUpdate update checker
The GTK 3 module of KavexWebUpdate: with it the update checker shows its
dialogs and message boxes as windows on the desktop; without it, on the
terminal. The program loads it only when it has something to show and a
display is there.")
  else()
    set(CPACK_COMPONENTS_ALL program)
  endif()
  # The first line of each package's description is its synopsis; CPack indents the
  # others and marks the empty one.
  set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
"update checker for Dexivane Software products
KavexWebUpdate checks installed products for updates: the product named on
its command line and every product described by a file in
/usr/share/Dexivane/KavexWebUpdate/. It downloads one update manifest by HTTP
for each product and, when the manifest names a page about a newer release,
offers to open it in the browser or to remind the user later.

Run silently (kavexwebupd 1) it shows nothing but the offer of an update; the
package's examples start it at login or daily as a systemd user timer. Its
dialogs show on the terminal; kavexwebupd-gtk shows them on the desktop.")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)

# The program's resources and the locale libraries, each made from a resource script of
# the one .rc source (cmake/resource_images.cmake says how). The program carries its own
# resources in the way of its platform (kwu_program_resources, platform.cmake); each
# language of tools/locale_languages.py gets a resource script generated from
# src/ui/kavexwebupd.rc and locale/<folder>.po (cmake/locale_libraries.cmake), which
# becomes the resource-only image Locale/<folder>/kavexwebupdexe.dat beside the program,
# on both platforms.
include(${PROJECT_SOURCE_DIR}/cmake/resource_images.cmake)
include(${PROJECT_SOURCE_DIR}/cmake/locale_libraries.cmake)

kwu_program_resources(kwu_core ${KWU_UI_DIR}/kavexwebupd.rc)

kwu_locale_folders(KWU_LOCALE_FOLDERS)
kwu_locale_libraries(KWU_LOCALE_LIBRARIES ${KWU_LOCALE_FOLDERS})
add_custom_target(kwu_locale_libraries ALL DEPENDS ${KWU_LOCALE_LIBRARIES})
add_dependencies(kavexwebupd kwu_locale_libraries)
add_dependencies(kwu_resource_images kwu_locale_libraries)

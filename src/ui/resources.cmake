# The program's resources and the locale libraries, each made from a resource script of
# the one .rc source (cmake/resource_images.cmake says how). The program carries its own
# resources in the way of its platform (kwu_program_resources, platform.cmake); every
# locale/<locale>/kavexwebupd.rc becomes the resource-only image
# Locale/<locale>/kavexwebupdexe.dat beside the program, on both platforms.
include(${PROJECT_SOURCE_DIR}/cmake/resource_images.cmake)

kwu_program_resources(kwu_core ${KWU_UI_DIR}/kavexwebupd.rc)

file(GLOB KWU_LOCALE_SCRIPTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/locale/*/kavexwebupd.rc)
set(KWU_LOCALE_LIBRARIES)
foreach(script ${KWU_LOCALE_SCRIPTS})
  get_filename_component(locale_dir ${script} DIRECTORY)
  get_filename_component(locale ${locale_dir} NAME)
  set(library ${CMAKE_CURRENT_BINARY_DIR}/Locale/${locale}/kavexwebupdexe.dat)
  kwu_resource_image(${library} ${CMAKE_CURRENT_BINARY_DIR}/locale_${locale}_res.obj ${script}
                     Locale/${locale}/kavexwebupdexe.dat)
  list(APPEND KWU_LOCALE_LIBRARIES ${library})
endforeach()
add_custom_target(kwu_locale_libraries ALL DEPENDS ${KWU_LOCALE_LIBRARIES})
add_dependencies(kavexwebupd kwu_locale_libraries)
add_dependencies(kwu_resource_images kwu_locale_libraries)

# Linux: the same program, natively.
add_executable(kavexwebupd ${KWU_ENTRY_SOURCES})
target_link_libraries(kavexwebupd PRIVATE kwu_core)
# The internet session is libcurl's.
find_package(CURL REQUIRED)
target_link_libraries(kwu_core PUBLIC CURL::libcurl)

# Linux: the same program, natively.
add_executable(kavexwebupd ${KWU_ENTRY_SOURCES})
target_link_libraries(kavexwebupd PRIVATE kwu_core)

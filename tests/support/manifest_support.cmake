# Test support of the manifest download: the probe program, for both platforms, and the
# programs of scripts/benchmark (build targets, not tests): on Windows the plain WinINet
# fetch the program's run is compared with, on Linux the lookup timing and the lookup and
# product list benchmarks.
add_executable(download_probe ${CMAKE_CURRENT_LIST_DIR}/download_probe.cpp)
target_link_libraries(download_probe PRIVATE kwu_core)
if(WIN32)
  # Console programs, so that Wine hands their output to the caller.
  target_link_options(download_probe PRIVATE -static -static-libgcc -static-libstdc++)
  add_executable(wininet_get ${CMAKE_CURRENT_LIST_DIR}/../benchmark/wininet_get.c)
  target_compile_definitions(wininet_get PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501)
  target_link_libraries(wininet_get PRIVATE wininet)
  if(MINGW)
    target_link_options(wininet_get PRIVATE -static -static-libgcc)
  endif()
else()
  add_executable(find_file_args_timing
                 ${CMAKE_CURRENT_LIST_DIR}/../benchmark/find_file_args_timing.cpp)
  target_link_libraries(find_file_args_timing PRIVATE kwu_core)
  add_executable(signature_check ${CMAKE_CURRENT_LIST_DIR}/../benchmark/signature_check.cpp)
  target_link_libraries(signature_check PRIVATE kwu_tool)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(manifest_lookup_benchmark
                   ${CMAKE_CURRENT_LIST_DIR}/../benchmark/manifest_lookup_benchmark.cpp)
    target_link_libraries(manifest_lookup_benchmark PRIVATE kwu_core benchmark::benchmark)
    add_executable(product_list_benchmark
                   ${CMAKE_CURRENT_LIST_DIR}/../benchmark/product_list_benchmark.cpp)
    target_link_libraries(product_list_benchmark PRIVATE kwu_core benchmark::benchmark)
  else()
    message(STATUS "Google Benchmark not found: the benchmarks are not built")
  endif()
endif()

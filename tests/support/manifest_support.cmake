# Test support of the manifest download: the probe program, for both platforms, and on
# Linux the lookup and product list benchmarks (build targets, not tests).
add_executable(download_probe ${CMAKE_CURRENT_LIST_DIR}/download_probe.cpp)
target_link_libraries(download_probe PRIVATE kwu_core)
if(WIN32)
  # A console program, so that Wine hands its output to the test.
  target_link_options(download_probe PRIVATE -static -static-libgcc -static-libstdc++)
else()
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

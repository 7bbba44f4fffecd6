# Fails when a file is larger than a limit: cmake -DFILE=<path> -DLIMIT=<bytes> -P ...
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, more than its limit of ${LIMIT}")
endif()
message(STATUS "${FILE} is ${size} bytes, within its limit of ${LIMIT}")

# Fails when a built program is larger than its limit.
#   cmake -DFILE=program.exe -DLIMIT=bytes -P check_size.cmake
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, over its limit of ${LIMIT} bytes")
endif()
message(STATUS "${FILE}: ${size} bytes, limit ${LIMIT}")

# Runs the writer built at -O0 (FIRST) and at -O2 (SECOND) on the same pictures and
# compares their files byte for byte. Arguments: FIRST, SECOND, PHOTO, OUT (a folder).
file(MAKE_DIRECTORY "${OUT}")
foreach(program FIRST SECOND)
  execute_process(COMMAND "${${program}}" "${OUT}/${program}.jpgs" "${PHOTO}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${${program}} failed: ${failed}")
  endif()
endforeach()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/FIRST.jpgs" "${OUT}/SECOND.jpgs"
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the -O0 and -O2 builds wrote different bytes")
endif()
file(SIZE "${OUT}/FIRST.jpgs" size)
message(STATUS "the same ${size} bytes at -O0 and -O2")

# The profile seam, both ways: the same INI cases through the POSIX
# implementation (natively) and through Windows' profile functions (under
# Wine); the two transcripts must be identical byte for byte.
#   cmake -DNATIVE_RUNNER=<program> -DWINE=<wine64> -DWINDOWS_RUNNER=<exe>
#         -DCASES=<cases file> -DWORK=<folder> -P run_profile_differential.cmake
function(windows_path out path)
  string(REPLACE "/" "\\" windows "Z:${path}")
  set(${out} "${windows}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/posix" "${WORK}/windows")

execute_process(COMMAND "${NATIVE_RUNNER}" "${CASES}" "${WORK}/posix" "${WORK}/posix.txt"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the POSIX run failed (${result})")
endif()

windows_path(cases_windows "${CASES}")
windows_path(work_windows "${WORK}/windows")
windows_path(transcript_windows "${WORK}/windows.txt")
execute_process(COMMAND "${WINE}" "${WINDOWS_RUNNER}" "${cases_windows}" "${work_windows}"
    "${transcript_windows}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the Windows run failed (${result})")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/posix.txt" "${WORK}/windows.txt"
  RESULT_VARIABLE different)
if(different)
  find_program(DIFF diff)
  if(DIFF)
    execute_process(COMMAND "${DIFF}" -u "${WORK}/posix.txt" "${WORK}/windows.txt")
  endif()
  message(FATAL_ERROR "the POSIX implementation and Windows' profile functions differ "
    "(transcripts in ${WORK})")
endif()
message(STATUS "identical transcripts: ${WORK}/posix.txt")

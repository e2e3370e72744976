# A stream file whose rewrite fails for want of space, through the Windows file
# seam under Wine: the runner runs under a file-size limit of a few KB (as a
# quota would stop it), so a longer text cannot be written whole. The seam
# must report the failure, remove its temporary file and leave the old stream
# file whole; a short text is written all the same.
#   cmake -DWINE=<wine64> -DWINESERVER=<wineserver64> -DRUNNER=<exe> -DWORK=<folder>
#         -P run_failed_rewrite.cmake
function(windows_path out path)
  string(REPLACE "/" "\\" windows "Z:${path}")
  set(${out} "${windows}" PARENT_SCOPE)
endfunction()

# Writes past the limit fail (EFBIG) instead of ending the process (SIGXFSZ).
function(rewrite text expected)
  windows_path(target "${WORK}/time.txt")
  execute_process(
    COMMAND sh -c "trap '' XFSZ; ulimit -f 4; exec \"$@\"" sh "${WINE}" "${RUNNER}" "${target}"
      "${text}"
    OUTPUT_VARIABLE said OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT said STREQUAL expected)
    message(FATAL_ERROR "rewrite with \"${text}\": the seam said \"${said}\" (${result}), "
      "expected \"${expected}\"")
  endif()
endfunction()

function(expect_contents expected when)
  file(READ "${WORK}/time.txt" contents)
  if(NOT contents STREQUAL expected)
    message(FATAL_ERROR "${when}: time.txt holds \"${contents}\", expected \"${expected}\"")
  endif()
  if(IS_SYMLINK "${WORK}/time.txt.kovrel-tmp" OR EXISTS "${WORK}/time.txt.kovrel-tmp")
    message(FATAL_ERROR "${when}: the temporary file stays behind")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
# The prefix's server must already run: started under the limit it would fail.
execute_process(COMMAND "${WINESERVER}" -p60 OUTPUT_QUIET ERROR_QUIET)

rewrite("old clock" "written")
expect_contents("old clock" "first rewrite")

string(REPEAT "0123456789" 600 too_long)  # 6000 bytes, beyond the limit
rewrite("${too_long}" "not written")
expect_contents("old clock" "after a rewrite that ran out of space")

rewrite("next clock" "written")
expect_contents("next clock" "a short text after the failure")
message(STATUS "a failed rewrite left the old file whole and no temporary file")

# kovrel-sim.exe advise on Windows, where its workers are processes started
# from the program itself:
#   MODE=workers    one worker and two give the same advice (the same file);
#   MODE=interrupt  an interrupt raised while two workers run ends the search
#                   with an error and leaves nothing behind: no scratch
#                   folder in the temporary folder, no worker running, no
#                   settings file.
#   cmake -DMODE=<mode> -DWINE=<wine64> -DPREFIX=<wine prefix> -DWINDOWS_SIM=<kovrel-sim.exe>
#         -DRESULTS=<results file> -DWORK=<folder> -P run_kovrel_sim_advise.cmake
file(REMOVE_RECURSE "${WORK}")
# The workers are handed the file's name on their command line: one with a
# blank and a non-ASCII letter.
set(league "${WORK}/léague files")
file(MAKE_DIRECTORY "${league}")
file(COPY_FILE "${RESULTS}" "${league}/race one.xml")
string(REPLACE "/" "\\" windows_work "Z:${WORK}")
string(REPLACE "/" "\\" windows_results "Z:${league}/race one.xml")
set(advise_options advise --results "${windows_results}" --budget 2 --seeds 1)

function(advise jobs name)
  execute_process(COMMAND "${WINE}" "${WINDOWS_SIM}" ${advise_options} --jobs ${jobs} ${ARGN}
      --out "${windows_work}\\${name}.ini" --report "${windows_work}\\${name}.html"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(advise_result "${result}" PARENT_SCOPE)
  set(advise_output "${output}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "workers")
  foreach(jobs 1 2)
    advise(${jobs} jobs-${jobs})
    if(NOT advise_result EQUAL 0)
      message(FATAL_ERROR "advise with ${jobs} worker(s) failed (${advise_result}):\n${advise_output}")
    endif()
  endforeach()
  file(READ "${WORK}/jobs-1.ini" one)
  file(READ "${WORK}/jobs-2.ini" two)
  if(NOT one STREQUAL two)
    message(FATAL_ERROR "one worker advised:\n${one}\ntwo workers advised:\n${two}")
  endif()
  message(STATUS "the same advice from one and from two workers")
elseif(MODE STREQUAL "interrupt")
  # Windows' temporary folder in this prefix, as the program sees it.
  execute_process(COMMAND "${WINE}" cmd.exe /c echo %TEMP% INPUT_FILE /dev/null
    OUTPUT_VARIABLE temp OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(REGEX REPLACE "^[Cc]:" "${PREFIX}/drive_c" temp "${temp}")
  string(REPLACE "\\" "/" temp "${temp}")
  if(NOT IS_DIRECTORY "${temp}")
    message(FATAL_ERROR "no temporary folder ${temp} in the Wine prefix")
  endif()
  set(temp_folders "${temp}")
  advise(2 interrupted --interrupt-after 1)
  if(advise_result EQUAL 0 OR NOT advise_output MATCHES "interrupted")
    message(FATAL_ERROR "the interrupted search did not stop as interrupted (${advise_result}):\n${advise_output}")
  endif()
  foreach(temp IN LISTS temp_folders)
    file(GLOB left "${temp}/kovrel-advise-*")
    if(left)
      message(FATAL_ERROR "the interrupted search left its scratch folder: ${left}")
    endif()
  endforeach()
  execute_process(COMMAND pgrep -f "kovrel-sim.exe.*advise-worker" OUTPUT_VARIABLE workers RESULT_VARIABLE none)
  if(none EQUAL 0)
    message(FATAL_ERROR "worker processes still run after the interrupted search:\n${workers}")
  endif()
  if(EXISTS "${WORK}/interrupted.ini")
    message(FATAL_ERROR "the interrupted search wrote its settings file")
  endif()
  message(STATUS "interrupted, nothing left behind")
else()
  message(FATAL_ERROR "unknown MODE ${MODE}")
endif()

# kovrel-sim.exe review on Windows: a recorded race played with the plug-in's
# debug log on, then the review of that log against the same results file
# finds the run's events and gives the run's verdict for nearly all of them.
# The plug-in's files (the log among them) go to a folder in memory where
# there is one: under Wine each of its rewrites costs a round of server calls.
#   cmake -DWINE=<wine64> -DWINDOWS_SIM=<kovrel-sim.exe> -DAGREEMENT=<json_agreement>
#         -DRESULTS=<results file> -DWORK=<folder> -P run_kovrel_sim_review.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(files "${WORK}/rF2stream")
if(IS_DIRECTORY /dev/shm)
  string(RANDOM LENGTH 8 tag)
  set(files "/dev/shm/kovrel-wine-review-${tag}")
endif()
function(windows out path)
  string(REPLACE "/" "\\" converted "Z:${path}")
  set(${out} "${converted}" PARENT_SCOPE)
endfunction()
windows(windows_work "${WORK}")
windows(windows_files "${files}")
windows(windows_results "${RESULTS}")

execute_process(COMMAND "${WINE}" "${WINDOWS_SIM}" --results "${windows_results}"
    --set lowinc=2000 --set highinc=4000 --set debug=1 --set "filespath=${windows_files}" --director-seed 1 --quiet
    --workdir "${windows_work}\\run" --json "${windows_work}\\run.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE_RECURSE "${files}")
  message(FATAL_ERROR "the run failed (${result}):\n${output}")
endif()
execute_process(COMMAND "${WINE}" "${WINDOWS_SIM}" review --log "${windows_files}\\debug.log"
    --results "${windows_results}" --ini "${windows_work}\\run\\rF2kovrel.ini"
    --report "${windows_work}\\review.html" --json "${windows_work}\\review.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(REMOVE_RECURSE "${files}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the review failed (${result}):\n${output}")
endif()
execute_process(COMMAND "${AGREEMENT}" verdicts "${WORK}/run.json" "${WORK}/review.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the review disagrees with the run:\n${output}")
endif()
message(STATUS "${output}")

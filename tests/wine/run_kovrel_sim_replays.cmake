# kovrel-sim.exe replays a recorded race as the native build does: the same
# events and the same reference (the DLL draws its random cuts from Windows' C
# library, so the cuts themselves differ), and two Windows runs with one
# director seed give the same run apart from its times. The Windows runs work
# in a folder whose name has a blank and a non-ASCII letter.
#   cmake -DNATIVE_SIM=<kovrel-sim> -DWINE=<wine64> -DWINDOWS_SIM=<kovrel-sim.exe>
#         -DAGREEMENT=<json_agreement> -DRESULTS=<results file> -DWORK=<folder>
#         -P run_kovrel_sim_replays.cmake
if(NOT EXISTS "${NATIVE_SIM}")
  message(FATAL_ERROR "no native kovrel-sim at ${NATIVE_SIM}: build the Linux preset first "
    "(or set KOVREL_NATIVE_SIM)")
endif()
file(REMOVE_RECURSE "${WORK}")
set(windows_work "${WORK}/kovrel sim Données")
file(MAKE_DIRECTORY "${windows_work}")
string(REPLACE "/" "\\" windows_folder "Z:${windows_work}")
string(REPLACE "/" "\\" windows_results "Z:${RESULTS}")
set(replay_options --set lowinc=2000 --set highinc=4000 --director-seed 1 --quiet)
# No stream files: under Wine their writes take most of a run's time, and
# they change nothing the director decides.
set(absent_files "${WORK}/absent/rF2stream")
string(REPLACE "/" "\\" windows_absent_files "Z:${absent_files}")

execute_process(COMMAND "${NATIVE_SIM}" --results "${RESULTS}" ${replay_options} --set "filespath=${absent_files}"
    --workdir "${WORK}/native" --json "${WORK}/native.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the native replay failed (${result}):\n${output}")
endif()

foreach(run 1 2)
  execute_process(COMMAND "${WINE}" "${WINDOWS_SIM}" --results "${windows_results}" ${replay_options}
      --set "filespath=${windows_absent_files}"
      --workdir "${windows_folder}\\run" --json "${windows_folder}\\windows-${run}.json"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT EXISTS "${windows_work}/windows-${run}.json")
    message(FATAL_ERROR "Windows replay ${run} failed (${result}):\n${output}")
  endif()
endforeach()

execute_process(COMMAND "${AGREEMENT}" events "${WORK}/native.json" "${windows_work}/windows-1.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the Windows replay disagrees with the native one:\n${output}")
endif()
message(STATUS "native against Windows: ${output}")
execute_process(COMMAND "${AGREEMENT}" same "${windows_work}/windows-1.json" "${windows_work}/windows-2.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "two Windows replays with one director seed differ:\n${output}")
endif()
message(STATUS "Windows against Windows: ${output}")

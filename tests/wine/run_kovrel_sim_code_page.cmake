# A working folder that Windows' ANSI code page cannot hold cannot be handed
# to the plug-in (the simulator gives it ANSI paths): kovrel-sim.exe refuses
# it with a message, before it makes the folder or loads the plug-in, and a
# folder the code page holds ("Données", a blank) runs. The plug-in comes
# from beside the program, as in the release.
#   cmake -DWINE=<wine64> -DWINDOWS_SIM=<kovrel-sim.exe> -DWORK=<folder> -P run_kovrel_sim_code_page.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(run_options --laps 1 --cars 4 --quiet)

set(refused "${WORK}/数据")
string(REPLACE "/" "\\" windows_refused "Z:${refused}")
execute_process(COMMAND "${WINE}" "${WINDOWS_SIM}" ${run_options} --workdir "${windows_refused}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0 OR NOT output MATCHES "code page [0-9]+ cannot hold")
  message(FATAL_ERROR "a folder outside the code page was not refused (${result}):\n${output}")
endif()
if(EXISTS "${refused}")
  message(FATAL_ERROR "the refused folder was made")
endif()

set(held "${WORK}/Données du club")
string(REPLACE "/" "\\" windows_held "Z:${held}")
execute_process(COMMAND "${WINE}" "${WINDOWS_SIM}" ${run_options} --workdir "${windows_held}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS "${held}/report.html" OR NOT EXISTS "${held}/rF2stream/status.json")
  message(FATAL_ERROR "a run in ${held} failed (${result}):\n${output}")
endif()
message(STATUS "refused a folder outside the code page, ran in one inside it")

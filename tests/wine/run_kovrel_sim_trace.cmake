# The DLL records a short race under Wine (recordtrace=1) and the native
# kovrel-sim replays its trace: the DLL's file is the Windows host's own trace
# of the run byte for byte (line feeds only, whatever the system), and the
# replay finds the same events with the same verdict inputs.
#   cmake -DNATIVE_SIM=<kovrel-sim> -DWINE=<wine64> -DWINDOWS_SIM=<kovrel-sim.exe>
#         -DAGREEMENT=<json_agreement> -DWORK=<folder> -P run_kovrel_sim_trace.cmake
if(NOT EXISTS "${NATIVE_SIM}")
  message(FATAL_ERROR "no native kovrel-sim at ${NATIVE_SIM}: build the Linux preset first "
    "(or set KOVREL_NATIVE_SIM)")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/files")
string(REPLACE "/" "\\" windows_work "Z:${WORK}")
set(race --cars 8 --laps 2 --seed 5 --director-seed 1 --quiet)

execute_process(COMMAND "${WINE}" "${WINDOWS_SIM}" ${race} --set recordtrace=1
    --set "filespath=${windows_work}\\files" --workdir "${windows_work}\\windows"
    --record-trace "${windows_work}\\host.kvt" --json "${windows_work}\\windows.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the Windows run failed (${result}):\n${output}")
endif()
file(GLOB traces "${WORK}/files/trace-*-s10.kvt")
list(LENGTH traces count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "the DLL left ${count} traces in its files folder, not one: ${traces}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${traces}" "${WORK}/host.kvt" RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "the DLL's trace ${traces} differs from the host's trace of the same run")
endif()

execute_process(COMMAND "${NATIVE_SIM}" --trace "${traces}" --director-seed 1 --quiet
    --workdir "${WORK}/native" --json "${WORK}/native.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the native replay of the DLL's trace failed (${result}):\n${output}")
endif()
execute_process(COMMAND "${AGREEMENT}" events "${WORK}/windows.json" "${WORK}/native.json"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the native replay of the trace disagrees with the Windows run:\n${output}")
endif()
message(STATUS "the DLL's trace replayed natively: ${output}")

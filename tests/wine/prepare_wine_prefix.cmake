# Creates the Wine prefix that the Windows test programs of this build run in
# (slow, so done once per build tree) and starts its server. Called by the
# test fixture "wine.prefix".
#   cmake -DWINE=<wine64> -DPREFIX=<folder> -P prepare_wine_prefix.cmake
set(ENV{WINEPREFIX} "${PREFIX}")
set(ENV{WINEDEBUG} "-all")
# No Mono and no Gecko: nothing here needs .NET or an HTML engine, and their
# installers would ask on screen.
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
unset(ENV{DISPLAY})

get_filename_component(wine_dir "${WINE}" DIRECTORY)
find_program(WINESERVER NAMES wineserver64 wineserver HINTS "${wine_dir}" REQUIRED)

if(EXISTS "${PREFIX}/system.reg" AND EXISTS "${PREFIX}/drive_c/windows/system32")
  message(STATUS "Wine prefix ready: ${PREFIX}")
else()
  message(STATUS "Creating the Wine prefix ${PREFIX}")
  file(REMOVE_RECURSE "${PREFIX}")
  execute_process(COMMAND "${WINE}" wineboot --init
    OUTPUT_FILE "${PREFIX}.log" ERROR_FILE "${PREFIX}.log" RESULT_VARIABLE result TIMEOUT 600)
  # wineboot returns before the server has written everything out.
  execute_process(COMMAND "${WINESERVER}" -w TIMEOUT 120)
  if(NOT result EQUAL 0 OR NOT EXISTS "${PREFIX}/system.reg")
    message(FATAL_ERROR "wineboot failed (${result}); no prefix in ${PREFIX}")
  endif()
endif()

# One server, and one set of Wine's own background processes (services,
# devices), for all the tests, started here with their output going nowhere.
# Started by a test's first Windows program instead, they would inherit that
# test's output and hold ctest waiting until they quit, 3 s after the last
# program. They quit by themselves a minute after the last test, or at
# "wine.prefix.release". A server still running from an earlier run refuses
# to start a second one; either way one is there.
execute_process(COMMAND "${WINESERVER}" -p60
  OUTPUT_FILE /dev/null ERROR_FILE /dev/null TIMEOUT 60)
execute_process(COMMAND "${WINE}" cmd.exe /c exit
  OUTPUT_FILE /dev/null ERROR_FILE /dev/null INPUT_FILE /dev/null TIMEOUT 120)

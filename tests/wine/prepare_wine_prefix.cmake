# Creates the Wine prefix that the Windows test programs of this build run in
# (slow, so done once per build tree). Called by the test fixture "wine.prefix".
#   cmake -DWINE=<wine64> -DPREFIX=<folder> -P prepare_wine_prefix.cmake
set(ENV{WINEPREFIX} "${PREFIX}")
set(ENV{WINEDEBUG} "-all")
# No Mono and no Gecko: nothing here needs .NET or an HTML engine, and their
# installers would ask on screen.
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
unset(ENV{DISPLAY})

if(EXISTS "${PREFIX}/system.reg" AND EXISTS "${PREFIX}/drive_c/windows/system32")
  message(STATUS "Wine prefix ready: ${PREFIX}")
  return()
endif()

message(STATUS "Creating the Wine prefix ${PREFIX}")
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${WINE}" wineboot --init
  RESULT_VARIABLE result TIMEOUT 600)
# wineboot returns before the server has written everything out.
get_filename_component(wine_dir "${WINE}" DIRECTORY)
find_program(WINESERVER NAMES wineserver64 wineserver HINTS "${wine_dir}")
if(WINESERVER)
  execute_process(COMMAND "${WINESERVER}" -w TIMEOUT 120)
endif()
if(NOT result EQUAL 0 OR NOT EXISTS "${PREFIX}/system.reg")
  message(FATAL_ERROR "wineboot failed (${result}); no prefix in ${PREFIX}")
endif()

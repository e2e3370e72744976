# The release zip holds the DLL, the user guide and the example settings (and
# kovrel-sim.exe when the tools are built), in one folder named after the
# release; the DLL in it is still a DLL with the five exports (stripping must
# not have cost them), and the program is stripped and needs no DLL of ours.
#   cmake -DZIP=<zip> -DNAME=<release name> -DOBJDUMP=<objdump> -DWORK=<folder>
#         [-DTOOLS=ON] -P check_release_zip.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf "${ZIP}"
  OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot list ${ZIP}")
endif()
string(REPLACE "\n" ";" entries "${listing}")
list(FILTER entries EXCLUDE REGEX "/$|^$")
list(SORT entries)
set(expected ${NAME}/rF2kovrel-example.ini ${NAME}/rf2kovrel_x64.dll ${NAME}/user-guide.md)
list(APPEND expected ${NAME}/overlay.html ${NAME}/overlay-battle.png)
list(APPEND expected ${NAME}/overlay-tower.png)
if(TOOLS)
  list(APPEND expected ${NAME}/kovrel-sim.exe)
endif()
list(SORT expected)
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "the zip holds: ${entries}\nexpected: ${expected}")
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ZIP}" WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${ZIP}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP}
    -DDLL=${WORK}/${NAME}/rf2kovrel_x64.dll -P ${CMAKE_CURRENT_LIST_DIR}/check_dll_boundary.cmake
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the zip's DLL fails the export and import check")
endif()

if(TOOLS)
  set(program ${WORK}/${NAME}/kovrel-sim.exe)
  execute_process(COMMAND "${OBJDUMP}" -p -h "${program}" OUTPUT_VARIABLE dump RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${program}")
  endif()
  if(dump MATCHES "\\.debug_")
    message(FATAL_ERROR "kovrel-sim.exe in the zip still has its debugging sections")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${dump}")
  foreach(line IN LISTS import_lines)
    string(REGEX REPLACE "^DLL Name: " "" name "${line}")
    string(TOLOWER "${name}" name)
    if(NOT name MATCHES "^(kernel32|msvcrt|ucrtbase|shell32|ws2_32|user32|advapi32|ntdll)\\.dll$|^api-ms-win-")
      message(FATAL_ERROR "kovrel-sim.exe needs ${name}, which the zip does not hold")
    endif()
  endforeach()
endif()

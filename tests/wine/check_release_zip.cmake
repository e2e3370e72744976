# The release zip holds the DLL, the user guide and the example settings, in one
# folder named after the release, and the DLL in it is still a DLL with the
# five exports (stripping must not have cost them).
#   cmake -DZIP=<zip> -DNAME=<release name> -DOBJDUMP=<objdump> -DWORK=<folder>
#         -P check_release_zip.cmake
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

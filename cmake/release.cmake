# The user-facing release: one zip with the DLL, the user guide, an example
# settings file and, when the tools are built, kovrel-sim.exe. Built with
# everything else ("release_zip").
set(KOVREL_RELEASE_NAME rF2kovrel-${PROJECT_VERSION}-win64)
set(KOVREL_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${KOVREL_RELEASE_NAME}.zip)
set(release_root ${CMAKE_BINARY_DIR}/release)
set(release_stage ${release_root}/${KOVREL_RELEASE_NAME})
file(MAKE_DIRECTORY ${release_root})
set(release_docs
  ${CMAKE_CURRENT_SOURCE_DIR}/docs/user-guide.md
  ${CMAKE_CURRENT_SOURCE_DIR}/docs/rF2kovrel-example.ini)
list(APPEND release_docs ${CMAKE_CURRENT_SOURCE_DIR}/docs/overlay.html ${CMAKE_CURRENT_SOURCE_DIR}/docs/overlay-battle.png)
list(APPEND release_docs ${CMAKE_CURRENT_SOURCE_DIR}/docs/overlay-tower.png)

set(release_programs $<TARGET_FILE:rf2kovrel>)
set(release_targets rf2kovrel)
if(KOVREL_TOOLS)
  list(APPEND release_programs $<TARGET_FILE:kovrel-sim>)
  list(APPEND release_targets kovrel-sim)
endif()

# Users get the programs without their symbol tables.
if(CMAKE_STRIP)
  set(strip_command ${CMAKE_STRIP} --strip-unneeded ${release_stage}/$<TARGET_FILE_NAME:rf2kovrel>)
  set(strip_tool_command ${CMAKE_COMMAND} -E true)
  if(KOVREL_TOOLS)
    set(strip_tool_command ${CMAKE_STRIP} --strip-all ${release_stage}/$<TARGET_FILE_NAME:kovrel-sim>)
  endif()
else()
  set(strip_command ${CMAKE_COMMAND} -E true)
  set(strip_tool_command ${CMAKE_COMMAND} -E true)
endif()

add_custom_command(OUTPUT ${KOVREL_RELEASE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${release_stage} ${KOVREL_RELEASE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${release_stage}
  COMMAND ${CMAKE_COMMAND} -E copy ${release_programs} ${release_docs} ${release_stage}
  COMMAND ${strip_command}
  COMMAND ${strip_tool_command}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${KOVREL_RELEASE_ZIP} --format=zip --mtime=2026-05-29
    ${KOVREL_RELEASE_NAME}
  WORKING_DIRECTORY ${release_root}
  DEPENDS ${release_targets} ${release_docs}
  COMMENT "Packing ${KOVREL_RELEASE_NAME}.zip"
  VERBATIM)
add_custom_target(release_zip ALL DEPENDS ${KOVREL_RELEASE_ZIP})

# What each platform adds to the core and to the plug-in library.
find_package(Threads REQUIRED)
target_link_libraries(kovrel_core PUBLIC Threads::Threads)

function(kovrel_plugin_link_options target)
  if(WIN32)
    # The simulator's ABI: one slot for the virtual destructor, and a runtime
    # linked in statically so the DLL imports only Windows' own libraries.
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  else()
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()

if(WIN32)
  target_compile_definitions(kovrel_core PUBLIC RF2_ONE_SLOT_DESTRUCTOR)
  target_link_libraries(kovrel_core PUBLIC winhttp)
else()
  target_link_libraries(kovrel_core PUBLIC ${CMAKE_DL_LIBS})
  # The web-server client's HTTP: Debian builds cpp-httplib as a library, and
  # its header must see the same feature switches as that build.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  target_link_libraries(kovrel_core PRIVATE PkgConfig::HTTPLIB)
endif()

if(WIN32)
  target_compile_definitions(rf2kovrel PRIVATE "KOVREL_EXPORT=__declspec(dllexport)")
else()
  target_compile_definitions(rf2kovrel PRIVATE "KOVREL_EXPORT=__attribute__((visibility(\"default\")))")
endif()

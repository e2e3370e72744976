# The libraries of the host simulator for a Windows build. Debian ships them
# for Linux only (pugixml without its source file, cpp-httplib split into a
# header and a Linux library), so the Windows build takes them from Debian's
# source packages, pinned below, and builds them with the cross compiler.
# CLI11 and nlohmann-json are headers only and work as Debian installs them.
# Needs the deb-src entry that tools/setup-machine.sh adds.
set(KOVREL_PUGIXML_SOURCE_VERSION 1.13-0.2)
set(KOVREL_HTTPLIB_SOURCE_VERSION 0.11.4+ds-1+deb12u1)
set(third_party ${CMAKE_BINARY_DIR}/third-party)
file(MAKE_DIRECTORY ${third_party})

# Fetches the package's upstream tarball once per build tree and unpacks it;
# sets <out> to the unpacked upstream folder.
function(kovrel_debian_source out package version)
  set(unpacked ${third_party}/${package}-${version})
  # The upstream tarball is named by the version without Debian's revision.
  string(REGEX REPLACE "-[^-]+$" "" upstream ${version})
  if(NOT EXISTS ${unpacked}/.unpacked)
    file(GLOB tarball ${third_party}/${package}_${upstream}.orig.tar.*)
    if(NOT tarball)
      message(STATUS "Fetching Debian's source of ${package} ${version}")
      execute_process(COMMAND apt-get source --download-only -qq ${package}=${version}
        WORKING_DIRECTORY ${third_party} RESULT_VARIABLE result ERROR_VARIABLE why)
      file(GLOB tarball ${third_party}/${package}_${upstream}.orig.tar.*)
      if(NOT tarball)
        message(FATAL_ERROR "cannot fetch the source of ${package} ${version} (${result}: ${why}); "
          "tools/setup-machine.sh adds the deb-src entry this needs")
      endif()
    endif()
    file(REMOVE_RECURSE ${unpacked})
    file(ARCHIVE_EXTRACT INPUT ${tarball} DESTINATION ${unpacked})
    file(TOUCH ${unpacked}/.unpacked)
  endif()
  # The tarball holds one top folder, named by upstream.
  file(GLOB top LIST_DIRECTORIES true ${unpacked}/*)
  list(FILTER top EXCLUDE REGEX "/\\.unpacked$")
  set(${out} ${top} PARENT_SCOPE)
endfunction()

kovrel_debian_source(pugixml_dir pugixml ${KOVREL_PUGIXML_SOURCE_VERSION})
add_library(kovrel_pugixml STATIC ${pugixml_dir}/src/pugixml.cpp)
target_include_directories(kovrel_pugixml SYSTEM PUBLIC ${pugixml_dir}/src)
add_library(pugixml::pugixml ALIAS kovrel_pugixml)

kovrel_debian_source(httplib_dir cpp-httplib ${KOVREL_HTTPLIB_SOURCE_VERSION})
add_library(kovrel_httplib INTERFACE)
# Upstream's httplib.h is the whole library, inline.
target_include_directories(kovrel_httplib SYSTEM INTERFACE ${httplib_dir})
target_link_libraries(kovrel_httplib INTERFACE ws2_32)

# The header-only libraries: only their own folders, never the host's
# /usr/include (its C library headers are Linux's).
set(header_links ${third_party}/include)
file(MAKE_DIRECTORY ${header_links})
foreach(folder CLI nlohmann)
  find_path(${folder}_HOST_HEADERS ${folder} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  if(NOT EXISTS ${header_links}/${folder})
    file(CREATE_LINK ${${folder}_HOST_HEADERS}/${folder} ${header_links}/${folder} SYMBOLIC)
  endif()
endforeach()
add_library(kovrel_header_libraries INTERFACE)
target_include_directories(kovrel_header_libraries SYSTEM INTERFACE ${header_links})
add_library(CLI11::CLI11 ALIAS kovrel_header_libraries)
add_library(nlohmann_json::nlohmann_json ALIAS kovrel_header_libraries)

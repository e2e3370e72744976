# Cross-compiling the plug-in for 64-bit Windows with MinGW-w64 (the POSIX
# thread model, so that std::thread and std::mutex are available).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOVREL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOVREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOVREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KOVREL_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${KOVREL_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump for PE files")

# Libraries and headers come from the MinGW sysroot; programs (the test
# tools run on this machine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${KOVREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

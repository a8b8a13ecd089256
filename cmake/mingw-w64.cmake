# Cross build for 64-bit Windows with the MinGW-w64 compilers of Debian.
#
# The posix thread model: the library's core uses std::mutex and std::thread-era primitives,
# which the win32 thread model of GCC 12 does not provide. Its thread library (winpthread) is
# linked statically into every binary, so the DLL and the programs stand alone.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BCREADER_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BCREADER_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BCREADER_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BCREADER_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BCREADER_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

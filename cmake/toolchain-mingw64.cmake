# Cross-build for 64-bit Windows with Debian's mingw-w64 (posix thread model: the win32 one
# has no std::thread or std::mutex). Everything is linked statically, so the programs need
# no DLL beyond Windows' own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELKARO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELKARO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKARO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELKARO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELKARO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run through wine; the wrapper keeps wine quiet and in the prefix the test run made.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine/run.sh)

# Cross-builds the Windows programs on Linux with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64) and runs what it built under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(COIL_MINGW_PREFIX x86_64-w64-mingw32)
# Debian's compilers come in two thread models; GoogleTest needs std::mutex,
# which GCC 12 has only in the posix one.
find_program(CMAKE_C_COMPILER NAMES ${COIL_MINGW_PREFIX}-gcc-posix ${COIL_MINGW_PREFIX}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${COIL_MINGW_PREFIX}-g++-posix ${COIL_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${COIL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${COIL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime goes inside each .exe, so wine (or a Windows machine without
# MinGW) needs no DLL from the toolchain.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and checks run the .exe files under wine, in a wine prefix of the
# build's own so nothing depends on (or changes) the user's ~/.wine.
find_program(COIL_WINE NAMES wine)
if(COIL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix bash ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()

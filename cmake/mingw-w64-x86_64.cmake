# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TROV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TROV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TROV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TROV_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL      ${TROV_MINGW_PREFIX}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${TROV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything the executables need from the C++ runtime is linked in, so that
# only Windows system DLLs (and the engine loader) are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Programs built here run under Wine through the project's wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)

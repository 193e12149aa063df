# Cross toolchain: 64-bit Windows with MinGW-w64, win32 threads variant. Its
# runtime has no POSIX-threads layer, whose static build takes a
# thread-local-storage index per load that an unload never gives back.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KYPCX_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${KYPCX_TRIPLE}-g++-win32 REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${KYPCX_TRIPLE}-gcc-win32 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KYPCX_TRIPLE}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${KYPCX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine through this wrapper (own prefix, quiet).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)

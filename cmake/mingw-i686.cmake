# Cross toolchain: 32-bit Windows with MinGW-w64, win32 threads variant. Its
# runtime has no POSIX-threads layer, whose static build takes a
# thread-local-storage index per load that an unload never gives back.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KYPCX_TRIPLE i686-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${KYPCX_TRIPLE}-g++-win32 REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${KYPCX_TRIPLE}-gcc-win32 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KYPCX_TRIPLE}-windres REQUIRED)
# Floating point in SSE2 registers, as the 64-bit build does: the x87 unit
# would round products such as 300 x 39.37 at extended precision and give a
# different result from the double arithmetic the resolutions are defined by.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_FIND_ROOT_PATH /usr/${KYPCX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine through this wrapper (own prefix, quiet).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)

#!/usr/bin/env bash
# Builds the trees: build/win32 (KyPCX.dll, its tests and the client, cross
# compiled), build/native (the portable core under the sanitizers) and
# build/win64 (the same DLL as a 64-bit one, with the same tests).
# KYPCX_BUILD_ROOT moves both trees elsewhere.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
jobs="$(nproc)"

# A cross tree configured with another compiler variant (the posix-threads
# one of earlier builds) keeps it cached; configure such a tree afresh.
fresh_unless_win32_threads() {
  if [ -f "$1/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:.*-win32$' "$1/CMakeCache.txt"; then
    rm -rf "$1/CMakeCache.txt" "$1/CMakeFiles"
  fi
}
fresh_unless_win32_threads "$build/win32"
fresh_unless_win32_threads "$build/win64"

cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/native" -j "$jobs"

cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win32" -j "$jobs"

cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build/win64" -j "$jobs"

#!/usr/bin/env bash
# Builds the sample client as a project of its own against the installed
# package, with this tree's toolchain and every warning an error.
# usage: build_sample.sh <cmake> <sample source> <build folder> <toolchain file> <package>
set -euo pipefail
cmake="$1" source="$2" build="$3" toolchain="$4" package="$5"
rm -rf "$build"
"$cmake" -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$package" \
  -DCMAKE_C_FLAGS="-Wall -Wextra -Werror"
"$cmake" --build "$build"
# Linked through the import library: KyPCX.dll among the program's imports,
# and the DLL copied beside it by the sample's own build.
objdump="$(dirname "$(grep -m1 '^CMAKE_C_COMPILER:' "$build/CMakeCache.txt" | cut -d= -f2)")"
triple="$(basename "$(grep -m1 '^CMAKE_C_COMPILER:' "$build/CMakeCache.txt" | cut -d= -f2)")"
triple="${triple%-gcc*}"
"$objdump/$triple-objdump" -p "$build/pcx2bmp.exe" | grep -q "DLL Name: KyPCX.dll"
cmp "$package/bin/KyPCX.dll" "$build/KyPCX.dll"
echo "pcx2bmp.exe imports KyPCX.dll; the DLL lies beside it"

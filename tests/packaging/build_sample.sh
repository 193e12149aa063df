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
imported=$("$objdump/$triple-objdump" -p "$build/pcx2bmp.exe" | awk '
  /DLL Name:/ { in_kypcx = ($3 == "KyPCX.dll"); next }
  in_kypcx && NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }' | sort | tr '\n' ' ')
if [ "$imported" != "GetPCXErrorString LoadPCXIntoDIBA " ]; then
  echo "FAIL: pcx2bmp.exe imports from KyPCX.dll: '$imported', expected the two plain names"
  exit 1
fi
cmp "$package/bin/KyPCX.dll" "$build/KyPCX.dll"
echo "pcx2bmp.exe imports $imported from KyPCX.dll; the DLL lies beside it"

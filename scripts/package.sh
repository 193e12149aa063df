#!/usr/bin/env bash
# Makes the release: KyPCX-<version>/x86 (32-bit) and KyPCX-<version>/x64
# (64-bit), each the `cmake --install` layout of its tree (bin/KyPCX.dll and
# bin/KyPCXCodec.dll, include/, lib/ with the MinGW and MSVC import libraries
# and the CMake package), side by side in a folder and in a zip of it.
# usage: scripts/package.sh [--no-build] [output folder, default build/release]
# --no-build takes the trees as they are (scripts/build.sh made them);
# otherwise the DLLs and import libraries are built first, and trees that
# do not exist yet are configured for that alone.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
make_trees=1
if [ "${1:-}" = "--no-build" ]; then make_trees=0; shift; fi
out="${1:-$build/release}"

# tree folder, toolchain file, release subfolder, PE machine of its DLL
trees=("win32 mingw-i686.cmake x86 014c" "win64 mingw-x86_64.cmake x64 8664")

if [ "$make_trees" -eq 1 ]; then
  for tree in "${trees[@]}"; do
    read -r name toolchain _ _ <<<"$tree"
    if [ ! -f "$build/$name/CMakeCache.txt" ]; then
      cmake -S "$root" -B "$build/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" >/dev/null
    fi
    cmake --build "$build/$name" --target KyPCX KyPCXCodec kypcx_import_libraries -j "$(nproc)"
  done
fi

version=$(sed -n 's/^project(KyPCX VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
release="KyPCX-$version"
rm -rf "${out:?}/$release" "$out/$release.zip"
mkdir -p "$out/$release"

pe_machine() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}

for tree in "${trees[@]}"; do
  read -r name _ folder machine <<<"$tree"
  cmake --install "$build/$name" --prefix "$out/$release/$folder" --strip >/dev/null
  for dll in KyPCX.dll KyPCXCodec.dll; do
    if [ "$(pe_machine "$out/$release/$folder/bin/$dll")" != "$machine" ]; then
      echo "package.sh: $folder/bin/$dll is not the DLL of $name" >&2
      exit 1
    fi
  done
done

cat >"$out/$release/README.txt" <<TEXT
KyPCX $version: reads and writes PCX images and DCX multi-page files.

x86/  32-bit    x64/  64-bit
Each holds bin/KyPCX.dll, include/KyPCX.h and KyPcxTypes.h, lib/KyPCX.lib
(MSVC), lib/libKyPCX.dll.a (MinGW) and lib/cmake/KyPCX (CMake); and
bin/KyPCXCodec.dll, the PCX and DCX decoders for the Windows Imaging
Component, with include/KyPCXCodec.h (its GUIDs).

CMake:  find_package(KyPCX $version CONFIG REQUIRED)
        target_link_libraries(app PRIVATE KyPCX::KyPCX)
        with -DCMAKE_PREFIX_PATH=<this folder>/x86 (or x64)
MSVC:   cl /I<folder>\\include app.c <folder>\\lib\\KyPCX.lib
MinGW:  gcc -I<folder>/include app.c -L<folder>/lib -lKyPCX
Ship bin/KyPCX.dll beside the program.
Codec:  regsvr32 <folder>\\bin\\KyPCXCodec.dll (from an administrator's prompt,
        the x64 one for 64-bit programs, the x86 one for 32-bit programs);
        regsvr32 /u removes it again.
TEXT

(cd "$out" && cmake -E tar cf "$release.zip" --format=zip "$release")
echo "$out/$release.zip:"
(cd "$out/$release" && find . -type f | sort | sed 's|^\./|  |')

#!/usr/bin/env bash
# Installs what the project needs on Debian 12 as root: the i686 MinGW-w64
# cross compiler (win32 threads: no POSIX-threads layer in the DLL) and its
# x86_64 twin (the 64-bit DLL), Wine with its 32-bit and 64-bit parts, Xvfb,
# CMake, Ninja, GoogleTest sources, LLVM's import-library tools and linker
# (the MSVC import library and its checks), and the independent decoders the
# tests compare against, and qemu's user-mode i386 emulator, which runs Wine's
# 32-bit loader where the kernel starts no 32-bit programs (only inside
# with-i386.sh's namespace: Debian registers no i386 handler on amd64).
# Idempotent: does nothing when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang llvm lld
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32
  wine wine32:i386 wine64 xvfb xauth x11-utils qemu-user-static
  googletest
  netpbm imagemagick graphicsmagick python3-pil fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ "${#missing[@]}" -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: missing packages and not root; install them or run as root" >&2
  exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

#!/usr/bin/env bash
# The main job: install what is missing, build, and let the command-line
# client describe a sample PCX file made by the project's own generator,
# decode it to a BMP file and encode that back to PCX, then pack both into a
# DCX file, list its pages and extract one; and read a picture in a layout
# the classic exports refuse (1 plane of 24 bits), which they still refuse. The 32-bit client runs where the
# machine runs 32-bit programs, the 64-bit one elsewhere.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

samples="$build/samples"
mkdir -p "$samples"
"$build/native/tools/fuzz/pcxgen" gradient8 320 200 "$samples/gradient.pcx"
"$build/native/tools/fuzz/pcxgen" ega4 160 100 "$samples/ega.pcx"
/usr/bin/convert "$samples/gradient.pcx" "$samples/gradient.ppm"
"$build/native/tools/fuzz/pcxgen" packed24 "$samples/gradient.ppm" "$samples/packed24.pcx"
cd "$samples"
client="$build/win32/bin/kypcx.exe"
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "(this machine runs no 32-bit programs: the 64-bit client and DLL are used)"
  client="$build/win64/bin/kypcx.exe"
fi
rm -f pages.dcx
"$root/scripts/with-display.sh" bash -c "
  set -e
  run() { '$root/scripts/wine-run.sh' '$client' \"\$@\"; }
  run info gradient.pcx
  run tobmp gradient.pcx gradient.bmp
  run topcx gradient.bmp roundtrip.pcx
  run info roundtrip.pcx
  run pack pages.dcx gradient.pcx ega.pcx gradient.bmp
  run pages pages.dcx
  run extract pages.dcx 1 page1.bmp
  run info packed24.pcx
  run tobmp packed24.pcx packed24.bmp
  run --classic tobmp packed24.pcx classic.bmp || echo '(the classic export refuses that layout, as it always has)'
"
echo "Samples in $samples"

#!/usr/bin/env bash
# The main job: install what is missing, build, and let the command-line
# client describe a sample PCX file made by the project's own generator,
# decode it to a BMP file and encode that back to PCX.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

samples="$build/samples"
mkdir -p "$samples"
"$build/native/tools/native/pcxgen" gradient8 320 200 "$samples/gradient.pcx"
cd "$samples"
client="$build/win32/bin/kypcx.exe"
"$root/scripts/with-display.sh" bash -c "
  set -e
  '$root/scripts/wine-run.sh' '$client' info gradient.pcx
  '$root/scripts/wine-run.sh' '$client' tobmp gradient.pcx gradient.bmp
  '$root/scripts/wine-run.sh' '$client' topcx gradient.bmp roundtrip.pcx
  '$root/scripts/wine-run.sh' '$client' info roundtrip.pcx
"
echo "Samples in $samples"

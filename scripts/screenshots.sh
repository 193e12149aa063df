#!/usr/bin/env bash
# Pictures for the README, taken under the test display: the page picker
# open over a DCX file of four pages (docs/page-picker.png), and pictures
# painted by LoadPCXW beside the same files decoded by LoadPCXIntoDIBW
# (docs/painted-and-decoded.png). Needs the built trees (scripts/build.sh).
# KYPCX_WIN_TREE names another Windows tree (default build/win32).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
win_tree="${KYPCX_WIN_TREE:-$build/win32}"
pcxgen="$build/native/tools/fuzz/pcxgen"
work="$build/screenshots"
rm -rf "$work"
mkdir -p "$work" "$root/docs"
cp "$win_tree/bin/kypcx.exe" "$win_tree/bin/KyPCX.dll" "$work/"

# Four pages of different kinds, and a DCX file holding them: the magic
# 987654321, one offset per page, the pages behind the 4096-byte directory.
"$pcxgen" ega4 160 100 "$work/page1.pcx"
"$pcxgen" mono1 160 100 "$work/page2.pcx"
"$pcxgen" gradient8 160 100 "$work/page3.pcx"
"$pcxgen" rgb24 160 100 "$work/page4.pcx"
python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
# The painter colours a one-bit page with header palette entries 0 and 1;
# black and white there make it agree with the decoder's two-colour rule.
mono = bytearray(open(f"{work}/page2.pcx", "rb").read())
mono[16:22] = bytes([0, 0, 0, 255, 255, 255])
open(f"{work}/page2.pcx", "wb").write(mono)
pages = [open(f"{work}/page{i}.pcx", "rb").read() for i in range(1, 5)]
directory = bytearray(4096)
struct.pack_into("<I", directory, 0, 987654321)
offset = 4096
for i, page in enumerate(pages):
    struct.pack_into("<I", directory, 4 * (i + 1), offset)
    offset += len(page)
open(f"{work}/pages.dcx", "wb").write(bytes(directory) + b"".join(pages))
PY

cd "$work"
"$root/scripts/with-display.sh" bash -c '
  set -euo pipefail
  wine_run="$1"
  # The picker waits for its user; photograph it once it is up, then end
  # the client (the display and its programs end with this shell).
  "$wine_run" kypcx.exe pick pages.dcx > pick.out 2>&1 &
  picker=$!
  for _ in $(seq 1 150); do
    xwininfo -root -tree 2>/dev/null | grep -q "kypcx.exe" && break
    sleep 0.2
  done
  sleep 2
  import -window root screen.png
  kill "$picker" 2>/dev/null || true
  wait "$picker" 2>/dev/null || true
  "$wine_run" kypcx.exe paint page1.pcx page1-painted.bmp
  "$wine_run" kypcx.exe tobmp page1.pcx page1-decoded.bmp
  "$wine_run" kypcx.exe paint page2.pcx page2-painted.bmp
  "$wine_run" kypcx.exe tobmp page2.pcx page2-decoded.bmp
' _ "$root/scripts/wine-run.sh"

# The dialog is the only thing on the black screen: trim the rest away.
convert screen.png -trim +repage -bordercolor black -border 8 -strip "$root/docs/page-picker.png"
# Painted on the left, decoded on the right, one row per file.
for page in page1 page2; do
  convert "$page-painted.bmp" "$page-decoded.bmp" -bordercolor white -border 6 +append "$page-pair.png"
done
convert page1-pair.png page2-pair.png -append -strip "$root/docs/painted-and-decoded.png"
echo "docs/page-picker.png and docs/painted-and-decoded.png written"

#!/usr/bin/env bash
# The benchmark: install what is missing, build, make natural-content sample
# images (cached), then in alternating rounds time KyPCX.dll under Wine
# (in-process) and Pillow on them, time the core's decode loop alone, and
# print the comparison: best of every round for each side, the ratio to
# Pillow and to a plain copy of the decoded bytes per layout, a decode's
# memory beyond its DIB, and the screen-bitmap decoder's time split into the
# system's transfer and the rest. Beside that as-delivered view it prints the
# machine's cost of touching fresh memory and two like-for-like views of
# decoding: both sides into memory touched before (the core's loop into a
# reused buffer against Pillow's usual timing), and both into fresh pages
# (LoadPCXIntoDIBW against Pillow with glibc mapping every large block
# afresh). Then decoding through the imaging component with KyPCXCodec.dll
# against LoadPCXImageW on the same files, and saving the 24- and 8-bit
# pictures through its encoder against SavePCXImageW. Not a test: it
# passes or fails on nothing but the programs running. This script is the
# benchmark's one entry point; the programs and helper scripts it runs live
# in bench/ (bench/CMakeLists.txt says what each one times).
#
# Images: ImageMagick's plasma:fractal at 4000 x 3000 as 24-bit, quantised by
# netpbm to 256 and to 16 colours, and its grey dithered to 1 bit; and a
# 1728 x 2292 fax page of typed text. ppmtopcx writes them all. The same
# picture in the other layouts (4 and 8 colours packed and planar, 16 packed,
# with transparency, uncompressed, packed 24 bits) is timed through the
# layout reader, per byte of DIB it writes, beside the 16-colour planar one.
#   KYPCX_BENCH_RUNS    timed runs per round of KyPCX and Pillow (default 5)
#   KYPCX_BENCH_ROUNDS  rounds, each KyPCX then Pillow (default 3)
#   KYPCX_BENCH_BITS    32 or 64: which DLL to time; by default 32 where the
#                       machine runs 32-bit programs, else 64
#   KYPCX_BENCH_OTHERS  1: also time GraphicsMagick, ImageMagick and netpbm
#                       once (KYPCX_BENCH_SLOW_RUNS runs each, default 3)
#   KYPCX_BENCH_DCX_PAGES  pages of the DCX file whose first page is deleted
#                       (default 400)
# `scripts/bench.sh dcx` runs only the DCX delete timing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
runs="${KYPCX_BENCH_RUNS:-5}"
rounds="${KYPCX_BENCH_ROUNDS:-3}"
slow_runs="${KYPCX_BENCH_SLOW_RUNS:-3}"

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

# Deleting page 0 of a DCX file of a few hundred megabytes beside a plain copy
# of the same file. The program makes its file in a folder of its own and
# removes it again; the disk holds at most the file and one copy at a time.
# The 32-bit build is timed, or the 64-bit one where the machine cannot run
# 32-bit programs (wine-run.sh exits 77 then).
dcx_delete_bench() {
  local dir="$build/bench/dcx" status=0 tree
  mkdir -p "$dir"
  echo "== deleting page 0 of a large DCX file, beside a plain copy (dcx_delete_bench.exe)"
  for tree in win32 win64; do
    status=0
    (cd "$dir" && "$root/scripts/wine-run.sh" "$build/$tree/bin/dcx_delete_bench.exe" \
      --pages "${KYPCX_BENCH_DCX_PAGES:-400}" --runs 3 . | tr -d '\r') || status=$?
    [ "$status" -eq 77 ] || break
  done
  rm -rf "$dir"
  [ "$status" -eq 0 ]
}
if [ "${1:-}" = "dcx" ]; then
  dcx_delete_bench
  exit $?
fi
# The core's own timing needs a tree without the sanitizers.
cmake -S "$root" -B "$build/native-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKYPCX_SANITIZE=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build/native-release" --target core_decode_bench >/dev/null

bench="$build/bench"
images="$bench/natural"
gen="$build/native/tools/fuzz/pcxgen"
mkdir -p "$images" "$bench/tmp"

bits="${KYPCX_BENCH_BITS:-}"
if [ -z "$bits" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then bits=32; else bits=64; fi
fi
if [ "$bits" = 64 ]; then
  # A 64-bit Wine prefix of its own, and `wine` meaning the 64-bit loader.
  tree="$build/win64"
  export KYPCX_WINEPREFIX="${KYPCX_WINEPREFIX:-$build/wineprefix64}"
  mkdir -p "$bench/wine64"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$bench/wine64/wine"
  chmod +x "$bench/wine64/wine"
  export PATH="$bench/wine64:$PATH"
else
  tree="$build/win32"
  export KYPCX_WINEPREFIX="${KYPCX_WINEPREFIX:-$build/wineprefix}"
fi

# Each image is made once and kept; a half-made one never takes a final name.
make_image() {  # name command...
  local name="$1"
  shift
  [ -s "$images/$name" ] && return 0
  echo "making $name"
  "$@" >"$images/$name.part"
  mv "$images/$name.part" "$images/$name"
}
plasma() { /usr/bin/convert -seed 7 -size 4000x3000 plasma:fractal -depth 8 ppm:-; }
make_image plasma.ppm plasma
make_image rgb24.pcx ppmtopcx -24bit "$images/plasma.ppm"
make_image quant256.ppm pnmquant 256 "$images/plasma.ppm"
make_image pal256.pcx ppmtopcx -8bit "$images/quant256.ppm"
make_image quant16.ppm pnmquant 16 "$images/plasma.ppm"
make_image ega16.pcx ppmtopcx "$images/quant16.ppm"
dither() { ppmtopgm "$images/plasma.ppm" | pamditherbw | pamtopnm; }
make_image mono1.pbm dither
make_image mono1.pcx ppmtopcx "$images/mono1.pbm"
make_image fax1.pbm /usr/bin/python3 "$root/bench/fax_page.py"
make_image fax1.pcx ppmtopcx "$images/fax1.pbm"
files=(rgb24.pcx pal256.pcx ega16.pcx mono1.pcx fax1.pcx)

# The layouts beyond the classic four, from the same picture: netpbm's packed
# and planar layouts, ImageMagick's picture with transparency and its
# uncompressed 24 bits, and pcxgen's packed 24 bits.
make_image quant4.ppm pnmquant 4 "$images/plasma.ppm"
make_image quant8.ppm pnmquant 8 "$images/plasma.ppm"
make_image cga4.pcx ppmtopcx -packed "$images/quant4.ppm"
make_image packed16.pcx ppmtopcx -packed "$images/quant16.ppm"
make_image planar4.pcx ppmtopcx -planes 2 "$images/quant4.ppm"
make_image planar8.pcx ppmtopcx -planes 3 "$images/quant8.ppm"
rgba() { /usr/bin/convert "$images/plasma.ppm" \( -size 3000x4000 gradient: -rotate 90 \) -alpha off \
  -compose CopyOpacity -composite pcx:-; }
make_image rgba32.pcx rgba
make_image stored24.pcx /usr/bin/convert "$images/plasma.ppm" -type TrueColor -compress None pcx:-
packed24() { "$gen" packed24 "$images/plasma.ppm" /dev/stdout; }
make_image bgr24.pcx packed24
layout_files=(ega16.pcx cga4.pcx packed16.pcx planar4.pcx planar8.pcx rgba32.pcx stored24.pcx bgr24.pcx
  rgb24.pcx pal256.pcx mono1.pcx)

results="$bench/results.txt"
: >"$results"
cd "$images"
status=0
for round in $(seq 1 "$rounds"); do
  echo "== round $round of $rounds: KyPCX.dll ($bits-bit) under Wine (kypcx_bench.exe)"
  "$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/kypcx_bench.exe" --runs "$runs" \
    --tmp ../tmp "${files[@]}" | tr -d '\r' | tee -a "$results" || status=1
  echo "== round $round of $rounds: Pillow"
  /usr/bin/python3 "$root/bench/time_others.py" --pillow-only --tmp "$bench/tmp" --one-pixel "$images" \
    --runs "$runs" "${files[@]}" | tee -a "$results" || status=1
  echo "== round $round of $rounds: Pillow decoding into fresh pages (MALLOC_MMAP_THRESHOLD_=131072)"
  MALLOC_MMAP_THRESHOLD_=131072 /usr/bin/python3 "$root/bench/time_others.py" --fresh-pages \
    --tmp "$bench/tmp" --one-pixel "$images" --runs "$runs" "${files[@]}" | tee -a "$results" || status=1
  echo "== round $round of $rounds: the core's decode loop, $bits-bit under Wine, and native"
  "$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/core_decode_bench.exe" --runs "$runs" \
    "${files[@]}" | tr -d '\r' | sed "s/^CORE_BENCH /CORE_BENCH build=wine /" | tee -a "$results" || status=1
  "$build/native-release/bench/core_decode_bench" --runs "$runs" "${files[@]}" \
    | sed "s/^CORE_BENCH /CORE_BENCH build=native /" | tee -a "$results" || status=1
done

echo
echo "== every layout through the layout reader, per byte of DIB written, against the 16-colour planar image (layout_bench.exe)"
"$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/layout_bench.exe" --runs "$runs" \
  --reference ega16.pcx "${layout_files[@]}" | tr -d '\r' | tee -a "$results" || status=1

echo
echo "== a page of a large DCX file against the same page as a PCX file (dcx_read_bench.exe)"
"$gen" gradient8 1200 900 "$images/dcx_page.pcx"
"$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/dcx_read_bench.exe" \
  --runs "$runs" --pages 400 --tmp ../tmp dcx_page.pcx | tr -d '\r' | tee -a "$results" || status=1

echo
echo "== decoding through the imaging component (KyPCXCodec.dll) against LoadPCXImageW (wic_decode_bench.exe)"
# The codec registered in the benchmark's prefix, as an installer does; the
# last page of a DCX file of 400 copies of the DCX page image beside the files.
codec_dll="$(printf 'Z:%s' "$tree/bin/KyPCXCodec.dll" | tr / '\\')"
loader_switch=""
[ "$bits" = 64 ] && loader_switch="--64"
"$root/scripts/with-display.sh" bash -c '"$1" $2 regsvr32 /s "$3" && shift 3 && "$@"' _ \
  "$root/scripts/wine-run.sh" "$loader_switch" "$codec_dll" \
  "$root/scripts/wine-run.sh" "$tree/bin/wic_decode_bench.exe" --runs "$runs" --pages 400 --tmp ../tmp \
  dcx_page.pcx "${files[@]}" | tr -d '\r' | tee -a "$results" || status=1

echo
echo "== saving through the imaging component (KyPCXCodec.dll) against SavePCXImageW (wic_encode_bench.exe)"
"$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/wic_encode_bench.exe" --runs "$runs" \
  --tmp ../tmp rgb24.pcx pal256.pcx | tr -d '\r' | tee -a "$results" || status=1

if [ "${KYPCX_BENCH_OTHERS:-0}" = 1 ]; then
  echo
  echo "== GraphicsMagick, ImageMagick, netpbm (single-threaded)"
  for f in "${files[@]}"; do  # 1x1 images of each layout, for the tools' start-up times
    [ -s "one_$f" ] || /usr/bin/python3 -c 'import sys; from PIL import Image
with Image.open(sys.argv[1]) as im: im.crop((0, 0, 1, 1)).save(sys.argv[2], "PCX")' "$f" "one_$f"
  done
  /usr/bin/python3 "$root/bench/time_others.py" --tmp "$bench/tmp" --one-pixel "$images" \
    --runs "$runs" --slow-runs "$slow_runs" "${files[@]}" | grep -v "tool=pillow" | tee -a "$results" || status=1
fi

echo
/usr/bin/python3 "$root/bench/report.py" "$results" || status=1

echo
dcx_delete_bench || status=1
exit "$status"

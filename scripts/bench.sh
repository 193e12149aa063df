#!/usr/bin/env bash
# The benchmark: install what is missing, build, make large sample images
# with the project's own generator, time KyPCX.dll on them under Wine
# (in-process), time the core's decode loop alone, time Pillow,
# GraphicsMagick, ImageMagick and netpbm on the same files, single-threaded,
# and print the comparison. Not a test: it passes or fails on nothing but
# the programs running.
#   KYPCX_BENCH_RUNS       timed runs of KyPCX, the core and Pillow (default 5)
#   KYPCX_BENCH_SLOW_RUNS  timed runs of gm, ImageMagick and netpbm (default 3)
#   KYPCX_BENCH_DCX_PAGES  pages of the DCX file whose first page is deleted (default 400)
# `scripts/bench.sh dcx` runs only the DCX delete timing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
export KYPCX_WINEPREFIX="${KYPCX_WINEPREFIX:-$build/wineprefix}"
runs="${KYPCX_BENCH_RUNS:-5}"
slow_runs="${KYPCX_BENCH_SLOW_RUNS:-3}"

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

# Deleting page 0 of a DCX file of a few hundred megabytes beside a plain copy
# of the same file. The program makes its file in a folder of its own and
# removes it again; the disk holds at most the file and one copy at a time.
dcx_delete_bench() {
  local dir="$build/bench/dcx" status=0
  mkdir -p "$dir"
  echo "== deleting page 0 of a large DCX file, beside a plain copy (dcx_delete_bench.exe)"
  (cd "$dir" && "$root/scripts/wine-run.sh" "$build/win32/bin/dcx_delete_bench.exe" \
    --pages "${KYPCX_BENCH_DCX_PAGES:-400}" --runs 3 . | tr -d '\r') || status=1
  rm -rf "$dir"
  return "$status"
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
images="$bench/images"
mkdir -p "$images" "$bench/tmp"
gen="$build/native/tools/native/pcxgen"
# kind width height: four large images of each decodable layout and a fax page.
specs=("mono1 4000 3000" "ega4 4000 3000" "gradient8 4000 3000" "rgb24 4000 3000" "fax1 1728 2292")
files=()
for spec in "${specs[@]}"; do
  read -r kind width height <<<"$spec"
  "$gen" "$kind" "$width" "$height" "$images/$kind.pcx"
  "$gen" "$kind" 1 1 "$images/one_$kind.pcx"  # for the other tools' start-up times
  files+=("$kind.pcx")
done

results="$bench/results.txt"
: >"$results"
cd "$images"

status=0
echo "== KyPCX.dll under Wine (kypcx_bench.exe, core_decode_bench.exe)"
"$root/scripts/with-display.sh" bash -c '
  set -e
  "$0" "$1/kypcx_bench.exe" --runs "$2" --tmp ../tmp "${@:3}"
  "$0" "$1/core_decode_bench.exe" --runs "$2" "${@:3}" | sed "s/^CORE_BENCH /CORE_BENCH build=win32 /"
' "$root/scripts/wine-run.sh" "$build/win32/bin" "$runs" "${files[@]}" | tr -d '\r' | tee -a "$results" || status=1

echo
echo "== the core's decode loop, native"
"$build/native-release/tools/native/core_decode_bench" --runs "$runs" "${files[@]}" \
  | sed "s/^CORE_BENCH /CORE_BENCH build=native /" | tee -a "$results" || status=1

echo
echo "== Pillow, GraphicsMagick, ImageMagick, netpbm (single-threaded)"
/usr/bin/python3 "$root/tools/bench/time_others.py" --tmp "$bench/tmp" --one-pixel "$images" \
  --runs "$runs" --slow-runs "$slow_runs" "${files[@]}" | tee -a "$results" || status=1

echo
/usr/bin/python3 "$root/tools/bench/report.py" "$results" || status=1

echo
dcx_delete_bench || status=1
exit "$status"

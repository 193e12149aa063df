#!/usr/bin/env bash
# Fuzzes the portable core with libFuzzer for a while: configures a clang
# tree of its own (build/fuzz) with KYPCX_FUZZ on, seeds a working corpus
# with the files of ../shared/corpus (when present), the saved regression
# inputs and a few generated images, and runs one target: fuzz_decode (the
# PCX decode path), fuzz_encode (the writer: images made from the input's
# bytes, written and read back) or fuzz_dcx_directory (the DCX directory
# rules).
#   scripts/fuzz.sh [seconds] [target]    (defaults 300, fuzz_decode)
# Crashes land in build/fuzz/artifacts/; replay one with
#   build/fuzz/tools/fuzz/<target> <file>
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
seconds="${1:-300}"
target="${2:-fuzz_decode}"
fuzz="$build/fuzz"

"$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKYPCX_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$fuzz" --target "$target" pcxgen >/dev/null

corpus="$fuzz/corpus-$target"
mkdir -p "$corpus" "$fuzz/artifacts"
shared="$root/../shared/corpus"
if [ -d "$shared" ]; then
  find "$shared" -type f \( -iname '*.pcx' -o -iname '*.dcx' -o -iname '*.bin' \) -exec cp -f {} "$corpus/" \;
fi
if [ -d "$root/core/tests/fuzz_regressions" ]; then
  find "$root/core/tests/fuzz_regressions" -type f -exec cp -f {} "$corpus/" \;
fi
for kind in mono1 fax1 ega4 gradient8 rgb24; do
  "$fuzz/tools/fuzz/pcxgen" "$kind" 37 5 "$corpus/gen_$kind.pcx"
done

cd "$fuzz"
exec "./tools/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$fuzz/artifacts/" -print_final_stats=1 "$corpus"

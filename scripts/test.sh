#!/usr/bin/env bash
# The whole test run: install what is missing, build both trees, run the
# native core tests, then the Windows tests under Wine with a display, for
# the 32-bit and the 64-bit DLL; the release zip is made on the way.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

# The release folder and zip, from the trees just built (before the tests,
# so that the run ends with ctest's summary).
package_status=0
"$root/scripts/package.sh" --no-build "$build/release" || package_status=$?

native_status=0
(cd "$build/native" && ctest --output-on-failure -j "$(nproc)") || native_status=$?

# Every Windows test program runs once: a failure is a failure. A program
# that crashes prints where (the tests' crash report) and ends at once (no
# debugger, see wine-run.sh).
#
# The 32-bit DLL runs natively where the kernel starts 32-bit programs, and
# elsewhere under qemu-i386 in a namespace of its own (with-i386.sh); the
# persistent wineserver that with-display.sh starts serves the whole suite.
win_status=0
"$root/scripts/with-i386.sh" "$root/scripts/with-display.sh" \
  bash -c "cd '$build/win32' && ctest --output-on-failure" || win_status=$?

# The same suite against the 64-bit DLL, under Wine's 64-bit loader.
win64_status=0
"$root/scripts/with-display.sh" bash -c "cd '$build/win64' && ctest --output-on-failure" || win64_status=$?

[ "$native_status" -eq 0 ] && [ "$win_status" -eq 0 ] && [ "$win64_status" -eq 0 ] && [ "$package_status" -eq 0 ]

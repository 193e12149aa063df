#!/usr/bin/env bash
# Runs a command with an Xvfb display of its own (a free display number) and
# a persistent wineserver for the project's prefix; stops both afterwards,
# whatever the outcome, and returns the command's exit status.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
export KYPCX_WINEPREFIX="${KYPCX_WINEPREFIX:-$build/wineprefix}"
export KYPCX_WINEPREFIX64="${KYPCX_WINEPREFIX64:-${KYPCX_WINEPREFIX}64}"
export WINEPREFIX="$KYPCX_WINEPREFIX" WINEDEBUG=-all

display=""
for n in $(seq 90 190); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "with-display.sh: no free display number" >&2; exit 1; }

Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$KYPCX_WINEPREFIX64" wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" >/dev/null 2>&1 || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"

# Make the prefixes once (32-bit and, with Wine's 64-bit loader, 64-bit),
# then keep one wineserver each for every program of the run.
"$root/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true
if [ -x /usr/lib/wine/wine64 ]; then
  "$root/scripts/wine-run.sh" --64 cmd /c exit >/dev/null 2>&1 || true
  WINEPREFIX="$KYPCX_WINEPREFIX64" wineserver -p >/dev/null 2>&1 || true
fi

"$@"

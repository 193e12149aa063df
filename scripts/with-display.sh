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
# The server that a first program starts ends soon after it; a persistent
# one is started only once that one is gone, or it would find the old one
# still there, leave, and every later program would start a server anew.
# A last program then starts the prefix's services under the persistent
# server, with no output of a test's to hold open.
persistent_server() {
  "$root/scripts/wine-run.sh" "$@" cmd /c exit >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 || true
  "$root/scripts/wine-run.sh" "$@" cmd /c exit >/dev/null 2>&1 || true
}
persistent_server
if [ -x /usr/lib/wine/wine64 ]; then
  WINEPREFIX="$KYPCX_WINEPREFIX64" persistent_server --64
fi

"$@"

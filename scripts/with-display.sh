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

screen=1280x1024
Xvfb ":$display" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
settings="$(mktemp -d)"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$KYPCX_WINEPREFIX64" wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" >/dev/null 2>&1 || true
  wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$settings"
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
#
# The first program also gives the prefix, new or made by an earlier run,
# Wine's own desktop: one window of the display's size that holds every
# window of the run, as a Windows desktop does (the server's exit right after
# writes it to the prefix, before any test starts). Without one, every
# top-level window is an X window on a display with no window manager, and
# Wine waits 2 s for a window manager's answer that never comes whenever an
# active window is destroyed: every dialog, message box and progress window
# of the tests. Wine's unmanaged mode (Managed=N) drops that wait but moves
# the X input focus itself, and a message box that a test closes within a
# few milliseconds leaves the focus on the root window; when its owner's
# focus-out is read only after the owner is active again, Wine makes the
# desktop the foreground window and the owner loses its activation and its
# keyboard focus, now and then. On its own desktop Wine takes no part in
# activation and focus: the windows' own rules decide, as on Windows.
printf '%s\r\n' REGEDIT4 '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' "\"Default\"=\"$screen\"" '' \
  >"$settings/display.reg"
settings_file="Z:$(printf '%s' "$settings/display.reg" | tr / '\\')"
persistent_server() {
  "$root/scripts/wine-run.sh" "$@" reg import "$settings_file" >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 || true
  "$root/scripts/wine-run.sh" "$@" cmd /c exit >/dev/null 2>&1 || true
}
persistent_server
if [ -x /usr/lib/wine/wine64 ]; then
  WINEPREFIX="$KYPCX_WINEPREFIX64" persistent_server --64
fi

"$@"

#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's own prefix inside the
# build tree (never the user's), quiet, without Mono/Gecko installers, and
# without Wine's debugger, which would hold a crashed program open until the
# test's time-out instead of letting it fail at once.
# 64-bit programs run in a 64-bit prefix of their own (build/wineprefix64)
# with Wine's 64-bit loader. Where the machine cannot start Wine's 32-bit
# loader (a kernel without 32-bit Linux programs, and not inside
# with-i386.sh's emulation), a 32-bit program is not run: the script says so
# and exits with 77, which the tests report as skipped.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
prefix32="${KYPCX_WINEPREFIX:-$here/../build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

# The machine field of a PE file's header: 8664 for x86-64, 014c for i386.
pe_machine() {
  local header
  [ -f "$1" ] || return 0
  header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [ -n "$header" ] && od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

# --64 asks for the 64-bit loader for a command that is not a file (wineboot, cmd).
force64=0
if [ "${1:-}" = "--64" ]; then force64=1; shift; fi

if [ "$force64" -eq 1 ] || [ "$(pe_machine "${1:-}")" = "8664" ]; then
  export WINEPREFIX="${KYPCX_WINEPREFIX64:-${prefix32}64}"
  loader=/usr/lib/wine/wine64
  [ -x "$loader" ] || loader="$(command -v wine64 || echo wine)"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    WINEARCH=win64 "$loader" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  exec "$loader" "$@"
fi

export WINEPREFIX="$prefix32"
if [ -e /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  why="${KYPCX_I386_UNAVAILABLE:-no 32-bit Linux programs; scripts/with-i386.sh runs them under emulation}"
  echo "wine-run.sh: this machine cannot start Wine's 32-bit loader ($why); $(basename "${1:-}") not run" >&2
  exit 77
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
exec wine "$@"

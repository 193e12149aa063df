#!/usr/bin/env bash
# Runs a command where Wine's 32-bit loader can start. Where the kernel runs
# 32-bit Linux programs, the command runs as it is. Where it does not, the
# command runs in a user and mount namespace of its own, whose private
# binfmt_misc instance hands i386 ELF programs to qemu-i386-static: no other
# process on the machine sees that registration, and it goes away with the
# namespace. KYPCX_EMULATE_I386=1 takes the emulated route on any machine.
#
# A new user namespace is needed even as root: a mount namespace alone
# mounts the machine's one binfmt_misc instance, so a registration made there
# would reach every program (and slow every Wine prefix set-up). Only a user
# namespace gets an instance of its own (Linux 6.7 or later).
#
# Where neither route is open the command still runs, and wine-run.sh then
# reports each 32-bit program as skipped (77), with the reason.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
loader32=/usr/lib/wine/wine
registration=kypcx-i386
# The ELF header of an i386 executable or shared object (EM_386), as qemu's
# own binfmt entry for i386 matches it; the kernel reads the \x escapes.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# Run without emulation, telling wine-run.sh why 32-bit programs cannot start.
run_without() {
  export KYPCX_I386_UNAVAILABLE="$1"
  shift
  unset KYPCX_I386_EMULATOR QEMU_RESERVED_VA
  echo "with-i386.sh: $KYPCX_I386_UNAVAILABLE; 32-bit programs will be reported as skipped" >&2
  exec "$@"
}

if [ "${1:-}" = "--in-namespace" ]; then
  shift
  # Never mount or register in the machine's own user namespace (the guard
  # against this option given by hand): there the uid map is the identity
  # over all 2^32 ids, in a namespace of unshare's making one id.
  read -r _ _ ids </proc/self/uid_map
  if [ "$ids" = 4294967295 ]; then
    echo "with-i386.sh: --in-namespace outside a user namespace of its own; nothing registered" >&2
    exit 1
  fi
  if ! mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null; then
    run_without "this kernel gives a user namespace no binfmt_misc of its own (Linux 6.7 or later needed)" "$@"
  fi
  # F: the kernel opens qemu now, so the emulator is found whatever the
  # programs' own view of the file system.
  printf '%s' ":$registration:M::$magic:$mask:$KYPCX_QEMU_I386:F" >/proc/sys/fs/binfmt_misc/register
  export KYPCX_I386_EMULATOR=qemu-i386
  # qemu reserves the whole 4 GiB for a 32-bit guest by default and does not
  # honour MAP_FIXED_NOREPLACE: Wine's start-up then tries to reserve the
  # space above 2 GiB in 64 KiB steps that all fail, and qemu scans its page
  # table for each, some 45 s of CPU per Wine process. A guest space that
  # ends 16 MiB above Wine's 2 GiB user space (shared user data at
  # 0x7ffe0000 included) leaves that loop nothing to try: a process then
  # starts in about 2 s. Less than that leaves no room for the shared user
  # data page; Windows programs get their 2 GiB either way.
  export QEMU_RESERVED_VA=0x81000000
  if ! "$loader32" --version >/dev/null 2>&1; then
    run_without "Wine's 32-bit loader does not start under qemu-i386" "$@"
  fi
  exec "$@"
fi

if [ "${KYPCX_EMULATE_I386:-0}" != "1" ] && { [ ! -e "$loader32" ] || "$loader32" --version >/dev/null 2>&1; }; then
  exec "$@"
fi
if [ ! -e "$loader32" ]; then run_without "Wine's 32-bit loader is not installed" "$@"; fi
qemu="$(command -v qemu-i386-static || true)"
if [ -z "$qemu" ]; then run_without "qemu-i386-static is not installed (scripts/install-deps.sh installs it)" "$@"; fi
if ! unshare --user --map-root-user true 2>/dev/null; then
  run_without "no user namespace can be made here" "$@"
fi
echo "with-i386.sh: 32-bit programs run under qemu-i386 in a namespace of their own" >&2
export KYPCX_QEMU_I386="$qemu"
exec unshare --user --map-root-user --mount --propagation private "$here/with-i386.sh" --in-namespace "$@"

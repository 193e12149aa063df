#!/usr/bin/env python3
"""Checks that the built DLL holds none of the compiler-runtime parts that
keep process-wide resources after an unload: emulated thread-locals (each
takes a thread-local-storage index through a threads layer and never gives it
back), the POSIX-threads layer, the exception runtime (whose per-thread
globals are such a thread-local, and whose unwinder registers its frames
under a lock that is never destroyed), the standard library's threads, and
iostreams. A host that loads and unloads the DLL for ever would lose one
index and a few handles per cycle.

The DLL's symbol table is read with the cross nm of its bitness; a DLL
without one cannot be checked and fails, so run this on the unstripped build
output. A DLL that is named but not built is reported and skipped.

usage: check_runtime.py <nm for 32-bit> <nm for 64-bit> <objdump> <dll>...
"""
import os
import re
import subprocess
import sys

# (pattern on the symbol name without its leading underscores, what it means)
FORBIDDEN = [
    (r"^emutls_get_address$", "emulated thread-local access"),
    (r"^emutls_v\.", "an emulated thread-local variable"),
    (r"^emutls_register_common$", "emulated thread-local registry"),
    (r"^pthread_", "the POSIX-threads layer"),
    (r"^gthr_win32_", "the runtime's win32 threads layer"),
    (r"^gxx_personality_", "the exception runtime"),
    (r"^cxa_throw$|^cxa_allocate_exception$|^cxa_get_globals", "the exception runtime"),
    (r"^cxa_thread_atexit", "thread_local destructors"),
    (r"^cxa_guard_acquire$", "guarded function-local statics, whose shared lock is never destroyed"),
    (r"^ZNSt6thread|^ZNSt5mutex|^ZNSt15recursive_mutex|^ZSt9call_once", "the standard library's threads"),
    (r"^ZNSt8ios_base4Init", "iostreams"),
]
# Defined (not only weakly referenced) frame registration: the unwinder's
# frame list and its lock came along.
FORBIDDEN_DEFINED = [(r"^register_frame_info$", "the unwinder's frame registry")]


def machine_of(objdump, dll):
    header = subprocess.run([objdump, "-f", dll], capture_output=True, text=True, check=True).stdout
    return "64" if "x86-64" in header else "32"


def symbols_of(nm, dll):
    result = subprocess.run([nm, dll], capture_output=True, text=True)
    rows = []
    for line in result.stdout.splitlines():
        parts = line.split()
        if len(parts) >= 2:
            kind, name = parts[-2], parts[-1]
            rows.append((kind, name))
    return rows


def check(nm, dll):
    rows = symbols_of(nm, dll)
    if not rows:
        return ["%s has no symbol table (stripped?); check the unstripped build output" % dll]
    found = {}
    for kind, name in rows:
        bare = name.lstrip("_").lstrip(".")
        if bare.startswith(("data$", "text$", "rdata$", "bss$", "weak.")):
            bare = bare.split("$", 1)[-1].lstrip("_")
        checks = list(FORBIDDEN)
        if kind not in ("w", "U", "v", "A"):
            checks += FORBIDDEN_DEFINED
        for pattern, meaning in checks:
            if re.search(pattern, bare):
                found.setdefault(meaning, [])
                if bare not in found[meaning]:
                    found[meaning].append(bare)
    return ["%s holds %s: %d symbols, e.g. %s" % (dll, meaning, len(names), ", ".join(names[:3]))
            for meaning, names in sorted(found.items())]


def main():
    nm32, nm64, objdump = sys.argv[1:4]
    problems = []
    checked = 0
    for dll in sys.argv[4:]:
        if not os.path.exists(dll):
            print("not built, skipped: %s" % dll)
            continue
        bits = machine_of(objdump, dll)
        found = check(nm32 if bits == "32" else nm64, dll)
        print("%s (%s-bit): %s" % (dll, bits, "clean" if not found else "%d problems" % len(found)))
        problems += found
        checked += 1
    if checked == 0:
        problems.append("no DLL to check")
    for p in problems:
        print("FAIL " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

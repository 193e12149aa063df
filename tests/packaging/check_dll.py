#!/usr/bin/env python3
"""Checks a built DLL (KyPCX.dll, KyPCXCodec.dll) as a client's loader sees
it: it imports from Windows' own DLLs only (the compiler's runtime is linked
in), and it exports exactly the names of its module definition, undecorated.

usage: check_dll.py <objdump> <dll> <module definition>
"""
import re
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
               "comdlg32.dll", "ole32.dll", "oleaut32.dll", "version.dll", "ntdll.dll", "windowscodecs.dll"}


def main():
    objdump, dll, deffile = sys.argv[1:4]
    dump = subprocess.run([objdump, "-p", dll], capture_output=True, text=True, check=True).stdout
    problems = []
    imports = {m.lower() for m in re.findall(r"DLL Name: (\S+)", dump)}
    for name in sorted(imports - SYSTEM_DLLS):
        problems.append("imports %s, which is not a Windows system DLL" % name)

    exported = set()
    in_names = False
    for line in dump.splitlines():
        if "[Ordinal/Name Pointer] Table" in line or "[Name Pointer/Ordinal] Table" in line:
            in_names = True
            continue
        if in_names:
            m = re.match(r"\s+\[\s*\d+\]\s+(\S+)$", line)
            if m:
                exported.add(m.group(1))
            elif line.strip() == "" and exported:
                in_names = False
    with open(deffile) as f:
        listed = {l.strip() for l in f if l.strip() and not l.strip().startswith(";")
                  and not l.strip().startswith(("LIBRARY", "EXPORTS"))}
    for name in sorted(listed - exported):
        problems.append("%s is listed but not exported" % name)
    for name in sorted(exported - listed):
        problems.append("%s is exported but not listed" % name)
    for name in sorted(exported):
        if "@" in name or name.startswith("_"):
            problems.append("%s is decorated" % name)
    print("imports: %s" % ", ".join(sorted(imports)))
    print("%d exports" % len(exported))
    for p in problems:
        print("FAIL " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

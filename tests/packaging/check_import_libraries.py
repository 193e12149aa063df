#!/usr/bin/env python3
"""Checks the installed import libraries against the module definition and
the public header, read with LLVM's tools as a linker would see them.

Both libraries (KyPCX.lib, MSVC's short import format; libKyPCX.dll.a,
MinGW's) must hold every export of the module definition and nothing else,
name KyPCX.dll, and import each by its plain name. In 32-bit code a caller
names a WINAPI function `_Name@N`, N being the bytes of its arguments; the
build takes N from the compiler, and this check counts it again from the
header's declaration (four bytes per argument, each type below).

usage: check_import_libraries.py <llvm-readobj> <llvm-nm> <package> <32|64> <KyPCX.def>
"""
import os
import re
import subprocess
import sys

# Argument types four bytes wide on the 32-bit stack (smaller ones are
# widened to four). Pointers (`*`) and the header's callback types too.
FOUR_BYTE_TYPES = {
    "BOOL", "BYTE", "WORD", "DWORD", "UINT", "INT", "LONG", "ULONG", "SHORT", "USHORT", "int", "long",
    "unsigned", "short", "char", "COLORREF", "WPARAM", "LPARAM", "INT_PTR", "UINT_PTR", "LONG_PTR",
    "ULONG_PTR", "DWORD_PTR", "SIZE_T", "HANDLE", "HGLOBAL", "HBITMAP", "HPALETTE", "HDC", "HWND",
    "HINSTANCE", "HMODULE", "HICON", "LPCSTR", "LPSTR", "LPCWSTR", "LPWSTR", "LPVOID", "LPCVOID",
    "LPBYTE", "PcxErrorCode", "PcxLineCallback", "PcxDibLineCallback",
}


def exports_of(def_path):
    with open(def_path) as f:
        lines = [l.split(";")[0].strip() for l in f]
    return [l.split()[0] for l in lines if l and not l.startswith(("LIBRARY", "EXPORTS"))]


def argument_bytes(header_text, name):
    """Bytes of arguments of `name` as declared WINAPI/CALLBACK in the header."""
    m = re.search(r"\b(?:WINAPI|CALLBACK)\s+" + re.escape(name) + r"\s*\(([^)]*)\)", header_text)
    if not m:
        raise ValueError("%s: no WINAPI or CALLBACK declaration in the header" % name)
    parameters = " ".join(m.group(1).split())
    if parameters in ("", "void"):
        return 0
    total = 0
    for parameter in parameters.split(","):
        words = parameter.replace("*", " * ").split()
        if "*" in words:
            total += 4
            continue
        types = [w for w in words[:-1] if w not in ("const", "unsigned", "signed")] or words[:1]
        if types[-1] not in FOUR_BYTE_TYPES:
            raise ValueError("%s: argument type %r of unknown size; add it to the table" % (name, parameter))
        total += 4
    return total


def msvc_members(readobj, library):
    """(dll, name type, [symbols]) per short import member."""
    dump = subprocess.run([readobj, library], capture_output=True, text=True, check=True).stdout
    members = []
    for block in dump.split("\nFile: ")[1:]:
        if "Format: COFF-import-file" not in block:
            continue
        dll = block.splitlines()[0].strip()
        name_type = re.search(r"Name type: (\S+)", block).group(1)
        members.append((dll, name_type, re.findall(r"Symbol: (\S+)", block)))
    return members


def mingw_members(nm, library):
    """{member: [defined symbols]} from llvm-nm, and {member: section bytes} from objdump."""
    dump = subprocess.run([nm, library], capture_output=True, text=True, check=True).stdout
    symbols, member = {}, None
    for line in dump.splitlines():
        if line.endswith(":") and not line.startswith(" "):
            member = line[:-1]
            symbols[member] = []
        elif member and re.match(r"^[0-9a-f]+ [TI] ", line):
            symbols[member].append(line.split()[2])
    objdump = os.path.join(os.path.dirname(nm), re.sub(r"nm(-\d+)?$", r"objdump\1", os.path.basename(nm)))
    dump = subprocess.run([objdump, "-s", "-j", ".idata$6", "-j", ".idata$7", library],
                          capture_output=True, text=True, check=True).stdout
    sections, member, section = {}, None, None
    for line in dump.splitlines():
        m = re.match(r"^\S+\((\S+)\):\s+file format", line)
        if m:
            member, section = m.group(1), None
            continue
        m = re.match(r"^Contents of section (\S+):", line)
        if m:
            section = m.group(1)
            continue
        m = re.match(r"^ [0-9a-f]{4} ((?:[0-9a-f]{2,8} ?)+)", line)
        if m and member and section:
            data = bytes.fromhex(m.group(1).replace(" ", "")[:32])
            sections.setdefault(member, {}).setdefault(section, b"")
            sections[member][section] += data
    return symbols, sections


def main():
    readobj, nm, package, bits, def_path = sys.argv[1:6]
    is32 = bits == "32"
    exports = exports_of(def_path)
    with open(os.path.join(package, "include", "KyPCX.h")) as f:
        header_text = f.read()
    problems = []

    expected = {}  # the symbol a client's call names -> plain export
    for name in exports:
        try:
            caller_name = "_%s@%d" % (name, argument_bytes(header_text, name)) if is32 else name
        except ValueError as e:
            problems.append(str(e))
            continue
        expected[caller_name] = name

    # MSVC: one short import member per export; "undecorate" makes the
    # loader import `_Name@N` as `Name`.
    seen = {}
    for dll, name_type, symbols in msvc_members(readobj, os.path.join(package, "lib", "KyPCX.lib")):
        code = [s for s in symbols if not s.startswith("__imp_")]
        if dll != "KyPCX.dll":
            problems.append("KyPCX.lib: member names %s, expected KyPCX.dll" % dll)
        if len(code) != 1 or "__imp_" + code[0] not in symbols:
            problems.append("KyPCX.lib: member with symbols %s" % symbols)
            continue
        symbol = code[0]
        wanted_type = "undecorate" if is32 else "name"
        if name_type != wanted_type:
            problems.append("KyPCX.lib: %s has name type %s, expected %s" % (symbol, name_type, wanted_type))
        seen[symbol] = re.sub(r"^_|@\d+$", "", symbol) if is32 else symbol
    for symbol in sorted(set(expected) - set(seen)):
        problems.append("KyPCX.lib: no %s (for %s)" % (symbol, expected[symbol]))
    for symbol in sorted(set(seen) - set(expected)):
        problems.append("KyPCX.lib: %s is not an export of the module definition" % symbol)

    # MinGW: the member defining `_Name@N` holds the hint and plain name the
    # loader looks up; the list's head member names the DLL.
    symbols, sections = mingw_members(nm, os.path.join(package, "lib", "libKyPCX.dll.a"))
    dll_names = [s[".idata$7"].rstrip(b"\0").decode() for s in sections.values()
                 if s.get(".idata$7", b"").rstrip(b"\0")]
    if dll_names != ["KyPCX.dll"]:
        problems.append("libKyPCX.dll.a: names DLLs %s, expected KyPCX.dll" % dll_names)
    prefix = "_" if is32 else ""
    found = {}
    for member, defined in symbols.items():
        code = [s for s in defined if not s.startswith("__imp_") and not s.startswith(prefix + "_head")
                and not s.endswith("_iname")]
        if not code:
            continue
        imported = sections.get(member, {}).get(".idata$6", b"")[2:].split(b"\0")[0].decode()
        found[code[0]] = imported
        if "__imp_" + code[0] not in defined:
            problems.append("libKyPCX.dll.a: %s has no __imp_ pointer" % code[0])
    for symbol, name in sorted(expected.items()):
        if symbol not in found:
            problems.append("libKyPCX.dll.a: no %s" % symbol)
        elif found[symbol] != name:
            problems.append("libKyPCX.dll.a: %s imports %r, expected %r" % (symbol, found[symbol], name))
    for symbol in sorted(set(found) - set(expected)):
        problems.append("libKyPCX.dll.a: %s is not an export of the module definition" % symbol)

    print("%d exports checked in KyPCX.lib and libKyPCX.dll.a (%s-bit)" % (len(expected), bits))
    for p in problems:
        print("FAIL " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

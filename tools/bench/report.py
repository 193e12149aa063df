#!/usr/bin/python3
"""Prints the benchmark's closing tables from the machine-readable lines of
one run (KYPCX_BENCH from kypcx_bench, CORE_BENCH from core_decode_bench,
OTHER_BENCH from time_others.py): megapixels per second per tool and file,
for decoding and encoding, and the ratio of KyPCX's speed to each other tool's.

Usage: report.py results.txt
"""
import sys

OTHERS = [("pillow", "Pillow"), ("graphicsmagick", "GM"), ("imagemagick", "IM"), ("netpbm", "netpbm")]


def fields_of(line):
    return dict(item.split("=", 1) for item in line.split()[1:] if "=" in item)


def number(value):
    try:
        return float(value)
    except (TypeError, ValueError):
        return None


def cell(value, width=9, digits=1):
    return f"{value:>{width}.{digits}f}" if value else f"{'-':>{width}}"


def ratio(mine, theirs, width=9):
    return f"{mine / theirs:>{width - 1}.2f}x" if mine and theirs else f"{'-':>{width}}"


def main():
    kypcx, core, others, order = {}, {}, {}, []
    with open(sys.argv[1], encoding="utf-8", errors="replace") as log:
        for raw in log:
            line = raw.strip()
            if line.startswith("KYPCX_BENCH "):
                f = fields_of(line)
                kypcx[f["file"]] = f
                if f["file"] not in order:
                    order.append(f["file"])
            elif line.startswith("CORE_BENCH "):
                f = fields_of(line)
                core[(f.get("build", "?"), f["file"])] = f
            elif line.startswith("OTHER_BENCH "):
                f = fields_of(line)
                others[(f["tool"], f["op"], f["file"])] = f
    if not order:
        print("report.py: no KYPCX_BENCH lines; the KyPCX benchmark did not run", file=sys.stderr)
        return 1

    def other(tool, op, name):
        return number(others.get((tool, op, name), {}).get("mpx_s"))

    def other_cell(tool, op, name):
        if others.get((tool, op, name), {}).get("status") == "noise":
            return f"{'noise':>9}"
        return cell(other(tool, op, name))

    def size_of(name):
        f = kypcx[name]
        return f"{f.get('width', '?')}x{f.get('height', '?')}/{f.get('bits', '?')}"

    print("Decoding: megapixels per second (higher is faster)")
    print(f"{'file':<15} {'size/bits':>14} | {'DIB':>9} {'bitmap':>9} {'core':>9} {'core32':>9} |"
          + "".join(f" {label:>9}" for _, label in OTHERS))
    for name in order:
        f = kypcx[name]
        print(f"{name:<15} {size_of(name):>14} | {cell(number(f.get('dib_mpx_s')))}"
              f" {cell(number(f.get('bitmap_mpx_s')))}"
              f" {cell(number(core.get(('native', name), {}).get('decode_mpx_s')))}"
              f" {cell(number(core.get(('win32', name), {}).get('decode_mpx_s')))} |"
              + "".join(f" {other_cell(tool, 'decode', name)}" for tool, _ in OTHERS))
    print()
    print("Decoding: KyPCX's speed / the other tool's (above 1.00x: KyPCX is faster)")
    print(f"{'file':<15} |" + "".join(f" {'DIB/' + label:>11}" for _, label in OTHERS) + " |"
          + "".join(f" {'bmp/' + label:>11}" for _, label in OTHERS))
    for name in order:
        f = kypcx[name]
        dib, bitmap = number(f.get("dib_mpx_s")), number(f.get("bitmap_mpx_s"))
        print(f"{name:<15} |" + "".join(f" {ratio(dib, other(tool, 'decode', name), 11)}" for tool, _ in OTHERS)
              + " |" + "".join(f" {ratio(bitmap, other(tool, 'decode', name), 11)}" for tool, _ in OTHERS))
    print()

    if any(kypcx[name].get("save_status") == "ok" for name in order):
        print("Encoding: megapixels per second (higher is faster)")
        print(f"{'file':<15} {'size/bits':>14} | {'KyPCX':>9} |" + "".join(f" {label:>9}" for _, label in OTHERS)
              + " |" + "".join(f" {'/' + label:>9}" for _, label in OTHERS))
        for name in order:
            mine = number(kypcx[name].get("save_mpx_s"))
            print(f"{name:<15} {size_of(name):>14} | {cell(mine)} |"
                  + "".join(f" {other_cell(tool, 'encode', name)}" for tool, _ in OTHERS) + " |"
                  + "".join(f" {ratio(mine, other(tool, 'encode', name))}" for tool, _ in OTHERS))
        print()
    else:
        print("Encoding: SaveDIBInPCXFormatW is not exported by this KyPCX.dll; no encoding figures.\n")

    print("KyPCX.dll peak working set, MiB (fresh process per operation; + = added by the operation)")
    print(f"{'file':<15} | {'DIB':>13} | {'bitmap':>13} | {'save':>13}")
    for name in order:
        f = kypcx[name]
        cells = []
        for op in ("dib", "bitmap", "save"):
            peak, base = number(f.get(f"{op}_peak_ws_kib")), number(f.get(f"{op}_base_ws_kib"))
            cells.append(f"{peak / 1024:6.0f} {(peak - base) / 1024:+6.0f}" if peak and base else f"{'-':>13}")
        print(f"{name:<15} | " + " | ".join(cells))
    print()

    print("How each was timed (all single-threaded; medians unless noted):")
    print("  DIB, bitmap, KyPCX encode: LoadPCXIntoDIBW, LoadPCXIntoBitmapW, SaveDIBInPCXFormatW inside")
    print("    kypcx_bench.exe under Wine (QueryPerformanceCounter; Wine's start-up not counted).")
    print("  core, core32: the core's decode loop alone (run-length decoding and row assembly from the")
    print("    file's bytes in memory), native x86-64 and the 32-bit build under Wine.")
    print("  Pillow: Image.open(f).load() and im.save(out, 'PCX') in-process.")
    print("  GM, IM: `gm benchmark convert` and `convert -bench`, timed inside their processes (no start-up);")
    print("    encoding = (PCX to PCX file) - (PCX to null:).")
    startups = sorted({number(f.get("startup_ms")) for k, f in others.items() if k[0] == "netpbm"} - {None})
    if startups:
        print(f"  netpbm: pcxtoppm to /dev/null and ppmtopcx from a PPM file, wall-clock of the process,")
        print(f"    less the process start-up measured on a 1x1 image ({startups[0]:.1f} to {startups[-1]:.1f} ms);"
              " ppmtopcx's figure includes parsing its PPM input.")
    if any(f.get("status") == "noise" for f in others.values()):
        print("  noise: the tool's own encoding time was smaller than the variation of its decoding time.")
    print("  Other tools may write another layout than KyPCX (GM and IM write 16-colour images as 8-bit).")
    failed = [k for k, f in others.items() if f.get("status") == "failed"]
    for tool, op, name in failed:
        print(f"  {tool} failed on {name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

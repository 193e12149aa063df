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


def best_of(rounds, key):
    """The smallest positive value of `key` over the rounds' field sets."""
    values = [v for v in (number(f.get(key)) for f in rounds) if v and v > 0]
    return min(values) if values else None


def print_summary(order, kypcx_rounds, other_rounds, layouts):
    """The headline table: best of every round for KyPCX and Pillow alike,
    speed ratios (above 1.00x: KyPCX is faster), the plain-copy yardstick,
    the decode's memory beyond its DIB, and the screen-bitmap decoder's
    time split into the system's transfer and the rest."""
    rounds = max(len(v) for v in kypcx_rounds.values())
    print(f"Summary: best of {rounds} round(s), each round KyPCX then Pillow; times in ms; ratio = Pillow's time / KyPCX's")
    print(f"{'file':<12} {'layout':<16} | {'decode':>7} {'Pillow':>7} {'ratio':>6} | {'copy':>6} {'dec/cp':>6} {'beyond':>6} |"
          f" {'encode':>7} {'Pillow':>7} {'ratio':>6} | {'DIB MiB':>7} {'+peak':>6} {'over':>5} |"
          f" {'bitmap':>7} {'system':>7} {'ours':>7}")
    for name in order:
        k = kypcx_rounds[name]
        dec, enc = best_of(k, "dib_min_ms"), best_of(k, "save_min_ms")
        pdec = best_of(other_rounds.get(("pillow", "decode", name), []), "min_ms")
        penc = best_of(other_rounds.get(("pillow", "encode", name), []), "min_ms")
        copy = best_of(k, "dib_copy_min_ms")
        dib_mib = (best_of(k, "dib_dib_bytes") or 0) / 2**20
        added = [(number(f.get("dib_peak_ws_kib")) or 0) - (number(f.get("dib_base_ws_kib")) or 0) for f in k]
        added_mib = max(added) / 1024 if added else 0
        bitmap, system = best_of(k, "bitmap_min_ms"), best_of(k, "bitmap_system_min_ms")

        def ms(v, w=7):
            return f"{v:>{w}.1f}" if v else f"{'-':>{w}}"

        def r(theirs, mine):
            return f"{theirs / mine:>5.2f}x" if theirs and mine else f"{'-':>6}"

        print(f"{name:<12} {layouts.get(name, '?'):<16} | {ms(dec)} {ms(pdec)} {r(pdec, dec)} |"
              f" {ms(copy, 6)} {(f'{dec / copy:>6.1f}' if dec and copy else f'{chr(45):>6}')}"
              f" {ms(dec - copy if dec and copy else None, 6)} |"
              f" {ms(enc)} {ms(penc)} {r(penc, enc)} | {dib_mib:>7.1f} {added_mib:>+6.1f} {added_mib - dib_mib:>+5.1f} |"
              f" {ms(bitmap)} {ms(system)} {ms(bitmap - system if bitmap and system else None)}")
    print("  copy: a plain copy of the decoded DIB's bytes into a fresh block; dec/cp: decoding's time in copies;")
    print("    beyond: decoding's time less that copy's (on a machine where touching fresh memory is slow, the")
    print("    copy is mostly that, and so is a decode into a new DIB).")
    print("  +peak: what one decode added to the process's peak working set; over: that, less the DIB's size.")
    print("  system: the screen-bitmap decoder's SetDIBits transfers replayed band for band from a decoded DIB;")
    print("    ours: the bitmap decoder's time less that.")
    print()


def print_first_touch(order, core_rounds):
    """The machine's own cost of touching fresh memory, which every decode
    into a new block pays and a decode into reused memory does not."""
    print("This machine's cost of touching memory: ms to fill a block of the DIB's size in pages never")
    print("touched before / the same block once more (core_decode_bench; medians, best of every round):")
    for build in ("native", "wine"):
        cells = []
        for name in order:
            rounds = core_rounds.get((build, name), [])
            fresh, again = best_of(rounds, "touch_fresh_ms"), best_of(rounds, "touch_again_ms")
            mib = (best_of(rounds, "image_bytes") or 0) / 2**20
            if fresh and again:
                cells.append(f"{mib:.1f} MiB {fresh:.1f} / {again:.1f}")
        if cells:
            print(f"  {build:<6}: " + ";  ".join(cells))
    print()


def print_like_for_like(order, kypcx_rounds, other_rounds, core_rounds, layouts):
    """Decoding seen two more ways, so that a reader can tell the decode work
    from the machine's cost of touching fresh memory: (a) both sides writing
    into memory touched before, (b) both sides writing into fresh pages. The
    as-delivered ratio of the summary stays the headline."""
    print("Decoding, like for like (times in ms; ratio = Pillow's time / KyPCX's)")
    print(f"{'file':<12} {'layout':<12} |  (a) warm memory: core's decode vs Pillow's usual  |"
          f"  (b) fresh pages: DIB decode vs Pillow")
    print(f"{'':<12} {'':<12} | {'native':>7} {'ratio':>6} {'Wine':>7} {'ratio':>6} {'Pillow':>7} {'':>9} |"
          f" {'DIB':>7} {'Pillow':>7} {'ratio':>6}")
    for name in order:
        native = best_of(core_rounds.get(("native", name), []), "warm_decode_min_ms")
        wine = best_of(core_rounds.get(("wine", name), []), "warm_decode_min_ms")
        pdec = best_of(other_rounds.get(("pillow", "decode", name), []), "min_ms")
        pfresh = best_of(other_rounds.get(("pillow", "decode-fresh", name), []), "min_ms")
        dib = best_of(kypcx_rounds[name], "dib_min_ms")

        def ms(v, w=7):
            return f"{v:>{w}.1f}" if v else f"{'-':>{w}}"

        def r(theirs, mine):
            return f"{theirs / mine:>5.2f}x" if theirs and mine else f"{'-':>6}"

        print(f"{name:<12} {layouts.get(name, '?'):<12} | {ms(native)} {r(pdec, native)} {ms(wine)} {r(pdec, wine)}"
              f" {ms(pdec)} {'':>9} | {ms(dib)} {ms(pfresh)} {r(pfresh, dib)}")
    print("  (a) native, Wine: the core's run-length decoding and row assembly into one image-sized buffer")
    print("    allocated once and reused (best run of every round), built natively and as the benchmarked")
    print("    DLL's build under Wine; Pillow: Image.open(f).load() in-process as in the summary, whose image")
    print("    memory comes from glibc's heap and, after the first image, mostly from pages the previous")
    print("    image touched.")
    print("  (b) DIB: LoadPCXIntoDIBW as in the summary (every call hands out a new block of fresh pages);")
    print("    Pillow: the same load in a process started with MALLOC_MMAP_THRESHOLD_=131072, so glibc")
    print("    maps every large block afresh and gives it back when freed (best of every round). That")
    print("    also holds for every large temporary block Pillow uses while decoding, so this view may charge")
    print("    it more than its image's first touch alone (compare the cost of touching memory above).")
    print()


def layout_of(f):
    bits = f.get("bits")
    return {"1": "1-bit", "4": "16 colours", "8": "256 colours", "24": "24-bit"}.get(bits, f"{bits}-bit")


def main():
    kypcx, core, others, order = {}, {}, {}, []
    kypcx_rounds, other_rounds, core_rounds = {}, {}, {}
    with open(sys.argv[1], encoding="utf-8", errors="replace") as log:
        for raw in log:
            line = raw.strip()
            if line.startswith("KYPCX_BENCH "):
                f = fields_of(line)
                kypcx[f["file"]] = f
                kypcx_rounds.setdefault(f["file"], []).append(f)
                if f["file"] not in order:
                    order.append(f["file"])
            elif line.startswith("CORE_BENCH "):
                f = fields_of(line)
                core[(f.get("build", "?"), f["file"])] = f
                core_rounds.setdefault((f.get("build", "?"), f["file"]), []).append(f)
            elif line.startswith("OTHER_BENCH "):
                f = fields_of(line)
                others[(f["tool"], f["op"], f["file"])] = f
                other_rounds.setdefault((f["tool"], f["op"], f["file"]), []).append(f)
    if not order:
        print("report.py: no KYPCX_BENCH lines; the KyPCX benchmark did not run", file=sys.stderr)
        return 1

    layouts = {name: layout_of(kypcx[name]) for name in order}
    print_first_touch(order, core_rounds)
    print_summary(order, kypcx_rounds, other_rounds, layouts)
    print_like_for_like(order, kypcx_rounds, other_rounds, core_rounds, layouts)

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
    print(f"{'file':<15} {'size/bits':>14} | {'DIB':>9} {'bitmap':>9} {'core':>9} {'coreWine':>9} |"
          + "".join(f" {label:>9}" for _, label in OTHERS))
    for name in order:
        f = kypcx[name]
        print(f"{name:<15} {size_of(name):>14} | {cell(number(f.get('dib_mpx_s')))}"
              f" {cell(number(f.get('bitmap_mpx_s')))}"
              f" {cell(number(core.get(('native', name), {}).get('decode_mpx_s')))}"
              f" {cell(number(core.get(('wine', name), {}).get('decode_mpx_s')))} |"
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
    print("  core, coreWine: the core's decode loop alone (run-length decoding and row assembly from the")
    print("    file's bytes in memory), native x86-64 and the benchmarked DLL's build under Wine.")
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

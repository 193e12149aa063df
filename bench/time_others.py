#!/usr/bin/python3
"""Times other PCX readers and writers on the benchmark's files, single-threaded,
for comparison with KyPCX: Pillow (in this process), GraphicsMagick (`gm
benchmark`, timed inside its process), ImageMagick (`convert -bench`, timed
inside its process; the median of several such runs) and
netpbm (wall-clock of each process, less the start-up measured on a 1x1 file
of the same kind). Prints one machine-readable line per tool, operation and
file:

  OTHER_BENCH tool=pillow op=decode file=rgb24.pcx width=.. height=.. ms=.. mpx_s=.. how=..

Encoding is timed as: Pillow `im.save(out, 'PCX')` of a loaded image;
GraphicsMagick and ImageMagick `convert file.pcx out.pcx` less `convert
file.pcx null:` (their decoding); netpbm `ppmtopcx file.ppm` (which includes
reading the PPM) less its start-up.

With --fresh-pages only Pillow's decoding is timed, as op=decode-fresh: the
caller starts this process with glibc told to give every large block back to
the system at once (MALLOC_MMAP_THRESHOLD_=131072, which also stops the
threshold from growing), so that each decoded image lands in pages never
touched before, as every DIB a KyPCX decode hands out does. Pillow's usual
in-process figure gets its image memory from a heap that reuses pages the
previous image touched.

Usage: time_others.py --tmp DIR --one-pixel DIR [--runs N] [--slow-runs N] [--pillow-only]
       [--fresh-pages] file.pcx...
where the --one-pixel directory holds a 1x1 image named like each file
(mono1.pcx -> one_mono1.pcx).
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

from PIL import Image

GM = "/usr/bin/gm"
# The Debian ImageMagick, not any wrapper earlier in PATH.
IM_CONVERT = "/usr/bin/convert"
PCXTOPPM = "/usr/bin/pcxtoppm"
PPMTOPCX = "/usr/bin/ppmtopcx"

SINGLE_THREAD_ENV = dict(os.environ, OMP_NUM_THREADS="1", MAGICK_THREAD_LIMIT="1")


def emit(tool, op, path, size, ms, how, startup_ms=None, min_ms=None):
    width, height = size
    mpx_s = width * height / 1e6 / (ms / 1e3) if ms > 0 else 0.0
    line = (f"OTHER_BENCH tool={tool} op={op} file={os.path.basename(path)} width={width} "
            f"height={height} ms={ms:.3f} mpx_s={mpx_s:.2f} how={how}")
    if startup_ms is not None:
        line += f" startup_ms={startup_ms:.3f}"
    if min_ms is not None:
        line += f" min_ms={min_ms:.3f}"
    print(line, flush=True)


def emit_difference(tool, path, size, total_ms, less_ms, how, op="encode", startup_ms=None):
    """Emits total - less; a difference lost in the timing noise (not
    positive) is marked as such rather than shown as infinitely fast."""
    if total_ms - less_ms > 0:
        emit(tool, op, path, size, total_ms - less_ms, how, startup_ms)
    else:
        print(f"OTHER_BENCH tool={tool} op={op} file={os.path.basename(path)} status=noise how={how}", flush=True)


def emit_failure(tool, op, path, why):
    print(f"OTHER_BENCH tool={tool} op={op} file={os.path.basename(path)} status=failed why={why}", flush=True)


def timings_of(runs, action):
    """(median, best) of `runs` timed calls after a warm-up, in milliseconds."""
    action()  # warm-up, not counted
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        action()
        times.append(time.perf_counter() - t0)
    return statistics.median(times) * 1e3, min(times) * 1e3


def median_of(runs, action):
    return timings_of(runs, action)[0]


def run_quiet(command, stdout=subprocess.DEVNULL):
    return subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, env=SINGLE_THREAD_ENV,
                          check=True, text=False)


# ---- Pillow ----------------------------------------------------------------

def pillow(path, out_dir, runs):
    def decode():
        with Image.open(path) as im:
            im.load()

    with Image.open(path) as im:
        im.load()
        size = im.size
        median, best = timings_of(runs, decode)
        emit("pillow", "decode", path, size, median, "in-process", min_ms=best)
        out = os.path.join(out_dir, "pillow_out.pcx")
        median, best = timings_of(runs, lambda: im.save(out, "PCX"))
        emit("pillow", "encode", path, size, median, "in-process", min_ms=best)
        os.remove(out)
    return size


def pillow_fresh_pages(path, runs):
    def decode():
        with Image.open(path) as im:
            im.load()

    with Image.open(path) as im:
        size = im.size
    median, best = timings_of(runs, decode)
    emit("pillow", "decode-fresh", path, size, median, "in-process-fresh-pages", min_ms=best)
    return size


# ---- GraphicsMagick --------------------------------------------------------

def median_reported(runs, measure):
    """Median of `runs` calls of measure() (after a warm-up call), each
    returning seconds as the tool itself reported them; in milliseconds."""
    measure()
    return statistics.median(measure() for _ in range(runs)) * 1e3


def gm_seconds(args):
    """`gm benchmark` times one run of the command inside gm's process, so
    that its start-up does not count."""
    result = run_quiet([GM, "benchmark", "-iterations", "1", "convert", "-limit", "threads", "1"] + args)
    match = re.search(rb"(\d+) iter ([\d.]+)s user ([\d.]+)s total", result.stderr)
    if not match:
        raise RuntimeError("no gm benchmark result: " + result.stderr.decode(errors="replace"))
    return float(match.group(3)) / int(match.group(1))


def self_timed(tool, seconds_of, how, path, size, out_dir, runs):
    """A tool that times itself inside its process (`seconds_of` runs it on
    a list of arguments): decoding to null:, and encoding as the difference
    between a conversion to PCX and the decoding."""
    decode = median_reported(runs, lambda: seconds_of([path, "null:"]))
    emit(tool, "decode", path, size, decode, how)
    out = os.path.join(out_dir, tool + "_out.pcx")
    both = median_reported(runs, lambda: seconds_of([path, out]))
    os.remove(out)
    emit_difference(tool, path, size, both, decode, how + "-less-decode")


def graphicsmagick(path, size, out_dir, runs):
    self_timed("graphicsmagick", gm_seconds, "gm-benchmark", path, size, out_dir, runs)


# ---- ImageMagick -----------------------------------------------------------

def im_seconds(args):
    """`convert -bench 2` times two runs of the command inside ImageMagick's
    process (it reports nothing for one); its "Performance[1]" line gives the
    iterations and ends with the elapsed m:ss.fff. Returns seconds per run."""
    result = run_quiet([IM_CONVERT, "-limit", "thread", "1", "-bench", "2"] + args)
    match = re.search(rb"Performance\[1\]: (\d+)i .* (\d+):(\d+(?:\.\d+)?)\s", result.stderr + b"\n")
    if not match:
        raise RuntimeError("no convert -bench result: " + result.stderr.decode(errors="replace"))
    return (int(match.group(2)) * 60 + float(match.group(3))) / int(match.group(1))


def imagemagick(path, size, out_dir, runs):
    self_timed("imagemagick", im_seconds, "convert-bench", path, size, out_dir, runs)


# ---- netpbm ----------------------------------------------------------------

def process_ms(command, runs, stdin_path=None, stdout_path=None):
    """Median wall-clock of running the process, output to stdout_path or /dev/null."""
    def once():
        with open(stdout_path or os.devnull, "wb") as out:
            if stdin_path:
                with open(stdin_path, "rb") as inp:
                    subprocess.run(command, stdin=inp, stdout=out, stderr=subprocess.DEVNULL,
                                   env=SINGLE_THREAD_ENV, check=True)
            else:
                subprocess.run(command, stdout=out, stderr=subprocess.DEVNULL, env=SINGLE_THREAD_ENV, check=True)
    return median_of(runs, once)


def netpbm(path, size, one_pixel, out_dir, runs, startup_runs):
    startup = process_ms([PCXTOPPM, one_pixel], startup_runs)
    whole = process_ms([PCXTOPPM, path], runs)
    emit_difference("netpbm", path, size, whole, startup, "process-less-startup", op="decode", startup_ms=startup)

    ppm = os.path.join(out_dir, "netpbm_in.ppm")
    one_ppm = os.path.join(out_dir, "netpbm_one.ppm")
    out = os.path.join(out_dir, "netpbm_out.pcx")
    with open(ppm, "wb") as f:
        subprocess.run([PCXTOPPM, path], stdout=f, stderr=subprocess.DEVNULL, check=True)
    with open(one_ppm, "wb") as f:
        subprocess.run([PCXTOPPM, one_pixel], stdout=f, stderr=subprocess.DEVNULL, check=True)
    startup = process_ms([PPMTOPCX], startup_runs, stdin_path=one_ppm, stdout_path=out)
    whole = process_ms([PPMTOPCX], runs, stdin_path=ppm, stdout_path=out)
    emit_difference("netpbm", path, size, whole, startup, "process-less-startup", startup_ms=startup)
    for leftover in (ppm, one_ppm, out):
        os.remove(leftover)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tmp", required=True, help="directory for the written files")
    parser.add_argument("--one-pixel", required=True, help="directory of 1x1 images for start-up times")
    parser.add_argument("--runs", type=int, default=5, help="runs of the in-process timings (Pillow)")
    parser.add_argument("--slow-runs", type=int, default=3, help="runs of gm, ImageMagick and netpbm")
    parser.add_argument("--pillow-only", action="store_true", help="time Pillow alone")
    parser.add_argument("--fresh-pages", action="store_true",
                        help="time Pillow's decoding alone, as op=decode-fresh (start the process with "
                             "MALLOC_MMAP_THRESHOLD_=131072)")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    os.makedirs(args.tmp, exist_ok=True)

    failures = 0
    if args.fresh_pages:
        if "MALLOC_MMAP_THRESHOLD_" not in os.environ:
            print("time_others.py: --fresh-pages wants MALLOC_MMAP_THRESHOLD_ set for this process", file=sys.stderr)
            return 2
        for path in args.files:
            pillow_fresh_pages(path, args.runs)
        return 0
    for path in args.files:
        one_pixel = os.path.join(args.one_pixel, "one_" + os.path.basename(path))
        size = None
        for tool, measure in (
            ("pillow", lambda: pillow(path, args.tmp, args.runs)),
            ("graphicsmagick", lambda: graphicsmagick(path, size, args.tmp, args.slow_runs)),
            ("imagemagick", lambda: imagemagick(path, size, args.tmp, args.slow_runs)),
            ("netpbm", lambda: netpbm(path, size, one_pixel, args.tmp, args.slow_runs, 2 * args.slow_runs + 1)),
        ):
            try:
                result = measure()
                if tool == "pillow":
                    size = result
            except Exception as error:  # report and go on with the other tools
                failures += 1
                emit_failure(tool, "decode+encode", path, type(error).__name__)
                print(f"time_others.py: {tool} on {path}: {error}", file=sys.stderr)
            if size is None or args.pillow_only:  # without Pillow's size nothing else is comparable
                break
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

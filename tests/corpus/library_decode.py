"""Decodes PCX files to BMP files with the library: kypcx tobmp under Wine,
many files to one run of the client, so that Wine (and, where 32-bit
programs are emulated, the emulator) starts a few times rather than once a
file."""
import os
import subprocess

# Files per run: well inside Windows' command-line length, and a crash of
# the client costs the results of a few files only (each then reports that
# it got no answer).
FILES_PER_RUN = 16


def decode_many(wine_run, client, pairs):
    """pairs: [(pcx, bmp)]. Returns {pcx: (status, output)}, status 0 where
    the BMP file was written, with the client's lines about that file; or
    None when wine-run.sh cannot run the client here (exit 77), with the
    reason printed."""
    results = {}
    for start in range(0, len(pairs), FILES_PER_RUN):
        chunk = pairs[start:start + FILES_PER_RUN]
        run = subprocess.run([wine_run, client, "tobmp"] + [name for pair in chunk for name in pair],
                             capture_output=True, text=True, timeout=120 + 30 * len(chunk))
        lines = (run.stdout + run.stderr).splitlines()
        if run.returncode == 77:
            print("\n".join(lines))
            return None
        for pcx, bmp in chunk:
            mine = [line for line in lines if line.startswith(pcx + ":") or line.startswith(bmp + ":")]
            written = any(line.startswith(bmp + ":") for line in mine) and os.path.exists(bmp)
            if written:
                results[pcx] = (0, "\n".join(mine))
            elif mine:
                results[pcx] = (run.returncode or 1, "\n".join(mine))
            else:
                results[pcx] = (run.returncode or 1, "the client said nothing of this file (exit %d)"
                                % run.returncode)
    return results

#!/usr/bin/env bash
# The main job: install what is missing, build, and let the command-line
# client describe a sample PCX file made by the project's own generator.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KYPCX_BUILD_ROOT:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

samples="$build/samples"
mkdir -p "$samples"
"$build/native/tools/native/pcxgen" gradient8 320 200 "$samples/gradient.pcx"
cd "$samples"
"$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$build/win32/bin/kypcx.exe" info gradient.pcx

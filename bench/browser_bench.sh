#!/usr/bin/env bash
# Prints the embedded browser's figures: start, first frame, click to frame,
# bridge call, animation CPU and memory (run under Wine, the host's chromium).
# Usage: bench/browser_bench.sh [build folder, default build]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
BENCH="$BUILD/launcher/browser_bench.exe"
[ -x "$BENCH" ] || { echo "build $BENCH first (cmake --build $BUILD --target browser_bench)" >&2; exit 1; }
export LAUNCHER_WINE_STATE="$BUILD/wine"
"$ROOT/scripts/wine-run.sh" "$BENCH"

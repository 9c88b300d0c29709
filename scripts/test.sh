#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine (see README).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LAUNCHER_BUILD_DIR:-$ROOT/build}
bash "$ROOT/scripts/build.sh" "$BUILD"
bash "$ROOT/scripts/check-format.sh"
python3 "$ROOT/scripts/check-layers.py"

export LAUNCHER_WINE_STATE=$BUILD/wine
trap '"$ROOT/scripts/wine-run.sh" --stop' EXIT
"$ROOT/scripts/wine-run.sh" --start
ctest --test-dir "$BUILD" -j "$(nproc)" --output-on-failure

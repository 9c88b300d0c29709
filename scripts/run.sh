#!/usr/bin/env bash
# Builds launcher.exe and runs it under Wine from its own folder (build/run),
# on the current X display, or on a private Xvfb display when there is none.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LAUNCHER_BUILD_DIR:-$ROOT/build}
bash "$ROOT/scripts/build.sh" "$BUILD"

RUN_DIR=$BUILD/run
mkdir -p "$RUN_DIR"
cp "$BUILD/launcher/launcher.exe" "$RUN_DIR/"
export LAUNCHER_WINE_STATE=$BUILD/wine
if [ -n "${DISPLAY:-}" ]; then export LAUNCHER_KEEP_DISPLAY=1; fi
cd "$RUN_DIR"
trap '"$ROOT/scripts/wine-run.sh" --stop' INT TERM
set +e
"$ROOT/scripts/wine-run.sh" ./launcher.exe "$@"
status=$?
"$ROOT/scripts/wine-run.sh" --stop
echo "launcher.exe exited with $status"
exit $status

#!/usr/bin/env bash
# Builds launcher.exe (only it) and runs it under Wine from its own folder
# (build/run), on the current X display, or on a private Xvfb display when
# there is none.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LAUNCHER_BUILD_DIR:-$ROOT/build}
bash "$ROOT/scripts/build.sh" "$BUILD" launcher

RUN_DIR=$BUILD/run
mkdir -p "$RUN_DIR"
cp "$BUILD/launcher/launcher.exe" "$RUN_DIR/"
export LAUNCHER_WINE_STATE=$BUILD/wine
if [ -n "${DISPLAY:-}" ]; then export LAUNCHER_KEEP_DISPLAY=1; fi
cd "$RUN_DIR"
echo "Starting launcher.exe in its folder $RUN_DIR; press Ctrl-C to stop it."
# The program runs in the background: bash runs a trap only once the
# foreground command ends, and launcher.exe, which has no console, outlives a
# SIGINT. Stopping the Wine world ends it.
trap '"$ROOT/scripts/wine-run.sh" --stop' INT TERM HUP
set +e
"$ROOT/scripts/wine-run.sh" ./launcher.exe "$@" &
launcher=$!
wait $launcher
status=$?
# A signal ends the wait early; the program's own status follows once it ends.
while kill -0 $launcher 2>/dev/null; do
  wait $launcher
  status=$?
done
"$ROOT/scripts/wine-run.sh" --stop
echo "launcher.exe exited with $status"
exit $status

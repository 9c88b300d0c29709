#!/usr/bin/env bash
# Builds launcher.exe and the stand-in game (only they) and runs launcher.exe
# under Wine from its own folder (build/run), on the current X display, or on
# a private Xvfb display when there is none, against the demo content service:
# a generated game (scripts/demo/make_demo_content.py, into build/demo; its
# "TOVA.exe" is the stand-in game) served by the local test servers of
# tests/support (scripts/demo/run_demo.py). The servers stop when launcher.exe
# ends.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LAUNCHER_BUILD_DIR:-$ROOT/build}
bash "$ROOT/scripts/build.sh" "$BUILD" launcher fake_game

RUN_DIR=$BUILD/run
mkdir -p "$RUN_DIR"
cp "$BUILD/launcher/launcher.exe" "$RUN_DIR/"
# The browser runtime the notice page needs sits in the "cef" folder beside it.
rm -rf "$RUN_DIR/cef"
cp -r "$BUILD/launcher/cef" "$RUN_DIR/cef"
python3 "$ROOT/scripts/demo/make_demo_content.py" --out "$BUILD/demo" \
  --game "$BUILD/tests/fake_game.exe" --launcher "$RUN_DIR/launcher.exe"
export LAUNCHER_WINE_STATE=$BUILD/wine
if [ -n "${DISPLAY:-}" ]; then export LAUNCHER_KEEP_DISPLAY=1; fi
echo "Starting launcher.exe in its folder $RUN_DIR; press Ctrl-C to stop it."
# The program runs in the background: bash runs a trap only once the
# foreground command ends, and launcher.exe, which has no console, outlives a
# SIGINT. Stopping the Wine world ends it, and the servers stop after it. In a
# session of its own, Ctrl-C does not stop the servers before that.
trap '"$ROOT/scripts/wine-run.sh" --stop' INT TERM HUP
set +e
setsid -w python3 "$ROOT/tests/support/download_test_servers.py" \
  --state "$BUILD/download-test-servers" -- \
  python3 "$ROOT/scripts/demo/run_demo.py" --demo "$BUILD/demo" --run-dir "$RUN_DIR" -- \
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
echo "launcher.exe exited with $status; the requests it made: $RUN_DIR/demo-requests.log"
exit $status

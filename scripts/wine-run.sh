#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private test world:
# its own WINEPREFIX, a virtual X display, a persistent wineserver, a pinned
# locale and time zone, and crashes that end the process at once instead of
# opening a debugger dialog. The world is created on first use (under a lock,
# so parallel tests share one) and torn down by `wine-run.sh --stop`.
#
# State folder: $LAUNCHER_WINE_STATE, default <this script's folder>/../build/wine.
set -uo pipefail

STATE=${LAUNCHER_WINE_STATE:-$(cd "$(dirname "$0")/.." && pwd)/build/wine}
mkdir -p "$STATE"
export WINEPREFIX="$STATE/prefix"
export WINEDEBUG=-all
export WINEARCH=win64
# No crash debugger, no Mono or Gecko install prompts.
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
# With LAUNCHER_WINE_WITHOUT_HOST_FONTS=1 the program sees none of the host's
# fonts, only Wine's own and what it installs, so a face the launcher carries
# is known to come from its own file. Wine reads the host's fonts per process;
# the host browser a program starts inherits this too and then has no fonts
# to draw a page with, so it is not the default.
if [ "${LAUNCHER_WINE_WITHOUT_HOST_FONTS:-}" = 1 ]; then
  mkdir -p "$STATE/no-host-fonts"
  printf '<?xml version="1.0"?>\n<fontconfig><dir>%s</dir><cachedir>%s</cachedir></fontconfig>\n' \
    "$STATE/no-host-fonts" "$STATE/fontconfig-cache" >"$STATE/fonts.conf"
  export FONTCONFIG_FILE="$STATE/fonts.conf"
fi

WINESERVER=$(command -v wineserver || true)
for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver; do
  [ -n "$WINESERVER" ] || { [ -x "$candidate" ] && WINESERVER=$candidate; }
done

stop_world() {
  [ -n "$WINESERVER" ] && "$WINESERVER" -k >/dev/null 2>&1
  if [ -f "$STATE/xvfb.pid" ]; then
    kill "$(cat "$STATE/xvfb.pid")" >/dev/null 2>&1
    rm -f "$STATE/xvfb.pid" "$STATE/display"
  fi
}

xvfb_alive() { [ -f "$STATE/xvfb.pid" ] && kill -0 "$(cat "$STATE/xvfb.pid")" 2>/dev/null; }

start_world() {
  if [ ! -f "$WINEPREFIX/.ready-without-host-fonts" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i </dev/null >"$STATE/wineboot.log" 2>&1 9>&-
    # Debian's Wine does not find its own fonts: give the prefix copies.
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    for fonts in /usr/share/wine/fonts /usr/share/fonts/truetype/wine; do
      cp "$fonts"/*.ttf "$fonts"/*.fon "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    done
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    touch "$WINEPREFIX/.ready-without-host-fonts"
  fi
  if [ -z "${LAUNCHER_KEEP_DISPLAY:-}" ] && ! xvfb_alive; then
    exec 5>"$STATE/display.tmp"
    setsid Xvfb -displayfd 5 -screen 0 1600x1200x24 -nolisten tcp \
      </dev/null >"$STATE/xvfb.log" 2>&1 9>&- &
    echo $! >"$STATE/xvfb.pid"
    exec 5>&-
    for _ in $(seq 100); do [ -s "$STATE/display.tmp" ] && break; sleep 0.05; done
    echo ":$(tr -d '\n' <"$STATE/display.tmp")" >"$STATE/display"
  fi
  if ! { [ -f "$STATE/server.pid" ] && kill -0 "$(cat "$STATE/server.pid")" 2>/dev/null; }; then
    # A persistent server, detached from any caller's pipes, so a test's end
    # is not held up by Wine's services keeping its output open.
    setsid "$WINESERVER" -f -p </dev/null >/dev/null 2>&1 9>&- &
    echo $! >"$STATE/server.pid"
    sleep 0.2
    DISPLAY=$(cat "$STATE/display" 2>/dev/null || echo "${DISPLAY:-}") \
      setsid wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
  fi
}

case "${1:-}" in
  --stop)
    stop_world
    rm -f "$STATE/server.pid"
    exit 0 ;;
  --start)
    exec 9>"$STATE/lock"; flock 9; start_world; exit 0 ;;
esac

(
  flock 9
  start_world
) 9>"$STATE/lock"

if [ -z "${LAUNCHER_KEEP_DISPLAY:-}" ]; then
  DISPLAY=$(cat "$STATE/display")
  export DISPLAY
fi
if [ -t 1 ]; then
  exec wine "$@"
fi
# Wine helper processes that a program starts (the desktop, services) inherit
# its output and outlive it: through a pipe, whoever reads the output (ctest)
# would wait for them, that is until the world stops. A file they may keep;
# it is passed on as it grows, so a program stopped for taking too long still
# shows how far it came.
OUTPUT=$(mktemp "$STATE/output.XXXXXX")
# Test programs write their result here as their last act: Wine's server
# kills a process that is slow to leave after its last thread ended (SIGKILL,
# as on a loaded machine), which would turn a finished run into a failure.
RESULT="$OUTPUT.result"
LAUNCHER_TEST_RESULT_FILE="Z:$(printf '%s' "$RESULT" | tr / '\\')"
export LAUNCHER_TEST_RESULT_FILE
wine "$@" >"$OUTPUT" 2>&1 &
child=$!
tail -n +1 -s 0.2 -f --pid="$child" "$OUTPUT" 9>&- &
reader=$!
trap 'kill "$child" 2>/dev/null' INT TERM HUP
while :; do
  wait "$child"
  status=$?
  kill -0 "$child" 2>/dev/null || break
done
wait "$reader"
if [ "$status" = 137 ] && grep -qx '[0-9]\{1,3\}' "$RESULT" 2>/dev/null; then
  status=$(cat "$RESULT")
fi
rm -f "$OUTPUT" "$RESULT"
exit $status

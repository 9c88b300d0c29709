#!/usr/bin/env bash
# Compares the launcher's streaming patch apply (run under Wine) with Debian's
# bspatch on the same 1 GiB file and the same patch, in one run: the patch is
# written in both forms by make_patch_bench_data.py. Prints throughput and
# peak memory of each and checks both outputs against the new file's MD5.
# Without bspatch (package bsdiff) only the launcher's figures are printed.
# Usage: bench/patch_bench.sh [build folder, default build]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
BENCH="$BUILD/bench/patch_bench.exe"
[ -x "$BENCH" ] || { echo "build $BENCH first (cmake --build $BUILD --target patch_bench)" >&2; exit 1; }
export LAUNCHER_WINE_STATE="$BUILD/wine"
SIZE=1073741824

WORK=$(mktemp -d /tmp/patch_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
echo "writing the old file and the patch ($SIZE bytes)..."
EXPECTED=$(python3 "$ROOT/bench/make_patch_bench_data.py" "$WORK/old.bin" "$WORK/patch.container" \
  "$WORK/patch.bsdiff" "$SIZE")
cat "$WORK/old.bin" >/dev/null

"$ROOT/scripts/wine-run.sh" --start
wine_path() { local path="Z:$1"; echo "${path//\//\\}"; }
LAUNCHER_OUT=$("$ROOT/scripts/wine-run.sh" "$BENCH" "$(wine_path "$WORK/old.bin")" \
  "$(wine_path "$WORK/new.launcher")" "$(wine_path "$WORK/patch.container")")
LAUNCHER_RATE=$(awk '/^apply/ {print $(NF-1)}' <<<"$LAUNCHER_OUT")
LAUNCHER_PEAK=$(awk '/^peak/ {print $4}' <<<"$LAUNCHER_OUT")
LAUNCHER_UNPACK=$(awk '/^unpack/ {print $4}' <<<"$LAUNCHER_OUT")
LAUNCHER_MD5=$(md5sum "$WORK/new.launcher" | cut -d' ' -f1)
rm -f "$WORK/new.launcher"

echo "old file: $SIZE bytes; container $(stat -c %s "$WORK/patch.container") bytes," \
  "BSDIFF40 $(stat -c %s "$WORK/patch.bsdiff") bytes"
# The launcher's figures are taken inside the program (Wine's start-up
# excluded); bspatch is timed around its whole run.
printf '%-34s %8s MiB/s  peak working set %s MiB (unpacking the container alone: %s s)\n' \
  "launcher streaming apply (Wine)" "$LAUNCHER_RATE" "$LAUNCHER_PEAK" "$LAUNCHER_UNPACK"
STATUS=0
if [ "$LAUNCHER_MD5" != "$EXPECTED" ]; then
  echo "LAUNCHER OUTPUT DIFFERS: $LAUNCHER_MD5, expected $EXPECTED" >&2
  STATUS=1
fi

if ! command -v bspatch >/dev/null; then
  echo "bspatch not found (package bsdiff): comparison skipped"
  exit $STATUS
fi
# GNU time gives bspatch's peak memory when it is there.
RUN=(bspatch)
[ -x /usr/bin/time ] && RUN=(/usr/bin/time -f '%M' -o "$WORK/bspatch.rss" bspatch)
START=$(date +%s.%N)
"${RUN[@]}" "$WORK/old.bin" "$WORK/new.bspatch" "$WORK/patch.bsdiff"
END=$(date +%s.%N)
NEW_SIZE=$(stat -c %s "$WORK/new.bspatch")
BSPATCH_RATE=$(awk -v n="$NEW_SIZE" -v a="$START" -v b="$END" 'BEGIN { printf "%.1f", n / 1048576 / (b - a) }')
BSPATCH_PEAK=n/a
[ -f "$WORK/bspatch.rss" ] && BSPATCH_PEAK=$(awk '{ printf "%.1f", $1 / 1024 }' "$WORK/bspatch.rss")
BSPATCH_MD5=$(md5sum "$WORK/new.bspatch" | cut -d' ' -f1)
printf '%-34s %8s MiB/s  peak resident %s MiB\n' "bspatch" "$BSPATCH_RATE" "$BSPATCH_PEAK"
printf 'ratio launcher / bspatch: %s\n' \
  "$(awk -v a="$LAUNCHER_RATE" -v b="$BSPATCH_RATE" 'BEGIN { printf "%.2f", a / b }')"
if [ "$BSPATCH_MD5" != "$EXPECTED" ]; then
  echo "BSPATCH OUTPUT DIFFERS: $BSPATCH_MD5, expected $EXPECTED" >&2
  STATUS=1
fi
[ $STATUS -ne 0 ] || echo "outputs agree: $EXPECTED"
exit $STATUS

#!/usr/bin/env bash
# Installs what is missing, builds the dependencies (cached) and the project.
# Usage: scripts/build.sh [build folder, default build] [cmake target...]
# With no target it builds everything.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
TARGETS=()
[ $# -le 1 ] || TARGETS=(--target "${@:2}")
bash "$ROOT/scripts/install-packages.sh"
PREFIX=$(bash "$ROOT/scripts/deps.sh" | tail -n 1)
cmake -S "$ROOT" -B "$BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DLAUNCHER_DEPS_PREFIX="$PREFIX" >/dev/null
cmake --build "$BUILD" "${TARGETS[@]}"

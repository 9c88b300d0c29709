#!/usr/bin/env bash
# Fails when a project source file differs from what clang-format makes of it.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
files=$(git ls-files --cached --others --exclude-standard -- '*.h' '*.cpp' | grep -vE '^(build|third_party)/' || true)
[ -n "$files" ] || exit 0
# shellcheck disable=SC2086
clang-format --dry-run --Werror $files

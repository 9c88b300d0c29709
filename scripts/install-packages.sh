#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root), only
# when something is missing.
set -euo pipefail
PACKAGES=(
  g++-mingw-w64-x86-64-posix cmake ninja-build dpkg-dev
  wine wine64 fonts-wine xvfb xauth x11-apps imagemagick
  python3 openssl nginx-light clang-format googletest
  fonts-tlwg-loma-ttf fonts-noto-cjk python3-fonttools librsvg2-bin chromium
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}" >&2
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -q >&2
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
fi

#!/usr/bin/env bash
# Builds the third-party libraries as static mingw-w64 x86-64 libraries from
# Debian's source packages, into a cache folder outside the clone. The folder
# is keyed by this script's text and the source versions, so a second run with
# the same inputs reuses it. Prints the prefix path as its last line.
set -euo pipefail

HOST=x86_64-w64-mingw32
CC=${HOST}-gcc-posix
CXX=${HOST}-g++-posix
JOBS=$(nproc)
CACHE_ROOT=${LAUNCHER_DEPS_CACHE:-/var/cache/launcher-deps}
SCRIPT_DIR=$(cd "$(dirname "$0")" && pwd)
# The apt set-up needs root; a user goes through sudo, as install-packages.sh does.
if [ "$(id -u)" != 0 ]; then SUDO=sudo; else SUDO=; fi

log() { echo "deps: $*" >&2; }

ensure_deb_src() {
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    log "adding deb-src entries for the configured mirrors"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        | $SUDO tee /etc/apt/sources.list.d/launcher-deb-src.sources >/dev/null
    else
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list \
        | $SUDO tee /etc/apt/sources.list.d/launcher-deb-src.list >/dev/null
    fi
    $SUDO apt-get update -q >&2
  fi
}

src_version() { apt-cache showsrc "$1" | awk '/^Version:/ {print $2}' | sort -u | tr '\n' ' ' | sed 's/ $//; s/ /,/g'; }

ensure_deb_src
PACKAGES="openssl nghttp2 curl libjsoncpp zlib"
VERSIONS=""
for p in $PACKAGES; do
  v=$(src_version "$p")
  [ -n "$v" ] || { log "no source version for $p (apt-get update?)"; exit 1; }
  VERSIONS="$VERSIONS $p=$v"
done
GTEST_VERSION=$(dpkg-query -W -f='${Version}' googletest)
TOOL_VERSION=$($CXX -dumpfullversion)
KEY=$( { cat "$0" "$SCRIPT_DIR/../cmake/mingw-w64-x86_64.cmake"; echo "$VERSIONS gtest=$GTEST_VERSION gcc=$TOOL_VERSION"; } | sha256sum | cut -c1-16)
PREFIX=$CACHE_ROOT/$KEY

LOCK=$CACHE_ROOT/$KEY.lock

# The default cache folder is outside the user's reach (and may hold a root
# run's files): a user takes it over once through sudo.
if [ -n "$SUDO" ] && ! { mkdir -p "$CACHE_ROOT" 2>/dev/null && [ -w "$CACHE_ROOT" ] \
  && { [ ! -e "$LOCK" ] || [ -w "$LOCK" ]; }; }; then
  log "giving $CACHE_ROOT to $(id -un) through sudo"
  $SUDO mkdir -p "$CACHE_ROOT"
  $SUDO chown -R "$(id -u):$(id -g)" "$CACHE_ROOT"
fi
mkdir -p "$CACHE_ROOT"

# Parallel callers (several build folders) wait for one build of the prefix.
exec 8>"$LOCK"
flock 8

if [ -f "$PREFIX/.complete" ]; then
  log "reusing $PREFIX"
  echo "$PREFIX"
  exit 0
fi

log "building into $PREFIX ($VERSIONS gtest=$GTEST_VERSION)"
rm -rf "$PREFIX"
mkdir -p "$PREFIX"
WORK=$(mktemp -d /tmp/launcher-deps.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# Prints the unpacked source tree of package $1. Runs inside $(...), where
# errexit does not apply: every step is checked, and callers exit on failure.
fetch() {
  local dir=$WORK/src/$1 v
  mkdir -p "$dir" || return 1
  # The newest source can be missing from a mirror (security pockets keep
  # only some); fall back to each other version the index lists.
  for v in "" $(apt-cache showsrc "$1" | awk '/^Version:/ {print $2}'); do
    rm -f "$dir"/*.dsc "$dir"/*.tar.* "$dir"/*.diff.gz
    if (cd "$dir" && apt-get source -q --download-only "$1${v:+=$v}" >&2); then
      if ! (cd "$dir" && dpkg-source -x ./*.dsc tree >&2); then
        log "cannot unpack the source package of $1"
        return 1
      fi
      echo "$dir/tree"
      return 0
    fi
  done
  log "cannot download the source package of $1 (no listed version is available)"
  return 1
}

cmake_common=(-G Ninja -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_TOOLCHAIN_FILE="$SCRIPT_DIR/../cmake/mingw-w64-x86_64.cmake"
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_PREFIX_PATH="$PREFIX"
  -DBUILD_SHARED_LIBS=OFF)

# zlib and minizip (minizip ships in zlib's contrib folder with only autotools files).
ZSRC=$(fetch zlib) || exit 1
# Debian's repacked tree has no win32 makefile: compile the library's sources directly.
mkdir -p "$WORK/zlib"
for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
  $CC -O2 -c "$ZSRC/$f.c" -o "$WORK/zlib/$f.o" >&2
done
mkdir -p "$PREFIX/lib"
${HOST}-ar rcs "$PREFIX/lib/libz.a" "$WORK"/zlib/*.o
install -D -m644 "$ZSRC/zlib.h" "$PREFIX/include/zlib.h"
install -D -m644 "$ZSRC/zconf.h" "$PREFIX/include/zconf.h"
mkdir -p "$WORK/minizip" "$PREFIX/include/minizip"
for f in ioapi unzip zip mztools iowin32; do
  $CC -O2 -I"$ZSRC" -c "$ZSRC/contrib/minizip/$f.c" -o "$WORK/minizip/$f.o" >&2
  install -m644 "$ZSRC/contrib/minizip/$f.h" "$PREFIX/include/minizip/"
done
install -m644 "$ZSRC/contrib/minizip/crypt.h" "$PREFIX/include/minizip/"
${HOST}-ar rcs "$PREFIX/lib/libminizip.a" "$WORK"/minizip/*.o

# OpenSSL: the libraries only.
OSRC=$(fetch openssl) || exit 1
(cd "$OSRC" && ./Configure mingw64 no-shared no-tests no-module \
   --cross-compile-prefix=${HOST}- --prefix="$PREFIX" --libdir=lib \
   CC=gcc-posix CXX=g++-posix >&2 \
 && make -j"$JOBS" build_libs >&2 && make install_dev >&2)

# nghttp2: the library only. With both clock_gettime (from winpthreads) and
# GetTickCount64 found, its time source references a function it never
# defines; use the Windows tick count alone.
NSRC=$(fetch nghttp2) || exit 1
cmake -S "$NSRC" -B "$WORK/nghttp2-build" "${cmake_common[@]}" \
  -DENABLE_LIB_ONLY=ON -DENABLE_STATIC_LIB=ON -DENABLE_SHARED_LIB=OFF \
  -DENABLE_DOC=OFF -DBUILD_TESTING=OFF \
  -DHAVE_CLOCK_GETTIME=0 >&2
cmake --build "$WORK/nghttp2-build" >&2
cmake --install "$WORK/nghttp2-build" >&2

# libcurl over OpenSSL, nghttp2 and zlib, HTTP(S) only.
CSRC=$(fetch curl) || exit 1
cmake -S "$CSRC" -B "$WORK/curl-build" "${cmake_common[@]}" \
  -DBUILD_CURL_EXE=ON -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DBUILD_LIBCURL_DOCS=OFF \
  -DHTTP_ONLY=ON -DCURL_DISABLE_LDAP=ON -DCURL_USE_OPENSSL=ON -DCURL_USE_SCHANNEL=OFF \
  -DUSE_NGHTTP2=ON -DNGHTTP2_INCLUDE_DIR="$PREFIX/include" -DNGHTTP2_LIBRARY="$PREFIX/lib/libnghttp2.a" \
  -DCURL_ZLIB=ON -DZLIB_INCLUDE_DIR="$PREFIX/include" -DZLIB_LIBRARY="$PREFIX/lib/libz.a" \
  -DOPENSSL_ROOT_DIR="$PREFIX" -DOPENSSL_USE_STATIC_LIBS=ON \
  -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF \
  -DENABLE_UNIX_SOCKETS=OFF -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
  -DCMAKE_C_FLAGS="-DNGHTTP2_STATICLIB" >&2
cmake --build "$WORK/curl-build" >&2
cmake --install "$WORK/curl-build" >&2

# jsoncpp.
JSRC=$(fetch libjsoncpp) || exit 1
cmake -S "$JSRC" -B "$WORK/jsoncpp-build" "${cmake_common[@]}" \
  -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
  -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=OFF \
  -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF >&2
cmake --build "$WORK/jsoncpp-build" >&2
cmake --install "$WORK/jsoncpp-build" >&2

# GoogleTest and GoogleMock from the googletest package's installed sources.
cmake -S /usr/src/googletest -B "$WORK/gtest-build" "${cmake_common[@]}" \
  -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=OFF >&2
cmake --build "$WORK/gtest-build" >&2
cmake --install "$WORK/gtest-build" >&2

echo "$VERSIONS gtest=$GTEST_VERSION gcc=$TOOL_VERSION" > "$PREFIX/versions.txt"
touch "$PREFIX/.complete"
log "done"
echo "$PREFIX"

#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine, as root.
# Safe to run again: each step checks whether its work is already done.
set -euo pipefail
shopt -s inherit_errexit

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${ZINTU_DEPS_CACHE:-/var/cache/zintu-deps}
log() { printf '[setup] %s\n' "$*"; }
# Several builds may set up at once (work trees, CI): one at a time.
exec 9>/var/lock/zintu-setup.lock
flock 9

packages=(
  g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine32 wine64 xvfb xauth x11-utils
  cmake ninja-build dpkg-dev
  googletest
  clang libclang-rt-14-dev
  nginx-light tinyproxy
)

need_install=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need_install+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
# Source entries beside the binary ones, derived from the machine's own list.
src_list=/etc/apt/sources.list.d/zintu-src.sources
if [ ! -f "$src_list" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$src_list"
  need_update=1
fi
if [ "${#need_install[@]}" -gt 0 ] || [ -n "${need_update:-}" ]; then
  log "installing: ${need_install[*]:-(lists only)}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  [ "${#need_install[@]}" -gt 0 ] && apt-get install -y -qq --no-install-recommends "${need_install[@]}" >/dev/null
fi
# The servers are started by the tests themselves, never as system services.
for svc in nginx tinyproxy; do
  systemctl disable --now "$svc" >/dev/null 2>&1 || service "$svc" stop >/dev/null 2>&1 || true
done

toolchain=$here/cmake/mingw-i686.cmake
jobs=$(nproc)
mkdir -p "$cache"

# Debian's source version names each cached build, so a new package rebuilds.
src_version() { apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'; }
# Folder names without the ':' and '~' of Debian versions, which linkers dislike.
safe() { printf '%s' "${1//[:~]/_}"; }

build_openssl() {
  local ver dest work
  ver=$(src_version openssl)
  dest=$cache/openssl-$(safe "$ver")
  [ -f "$dest/lib/libcrypto.a" ] && { echo "$dest"; return; }
  log "building libcrypto $ver" >&2
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq "openssl=$ver" >/dev/null 2>&1)
  local dir; dir=$(find "$work" -maxdepth 1 -type d -name 'openssl-*' | head -n1)
  (cd "$dir" && ./Configure mingw --cross-compile-prefix=i686-w64-mingw32- \
      no-shared no-tests no-asm --prefix="$dest" >/dev/null &&
    make -s -j"$jobs" build_libs >/dev/null 2>&1 &&
    mkdir -p "$dest/lib" && cp libcrypto.a "$dest/lib/" && cp -r include "$dest/")
  rm -rf "$work"
  echo "$dest"
}

build_libjpeg() {
  local ver dest work
  ver=$(src_version libjpeg-turbo)
  dest=$cache/libjpeg-turbo-$(safe "$ver")
  [ -f "$dest/lib/libjpeg.a" ] && { echo "$dest"; return; }
  log "building libjpeg-turbo $ver" >&2
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq "libjpeg-turbo=$ver" >/dev/null 2>&1)
  local dir; dir=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
  cmake -Wno-dev -S "$dir" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 \
    -DCMAKE_INSTALL_PREFIX="$dest" >/dev/null
  cmake --build "$work/build" --target jpeg-static >/dev/null
  mkdir -p "$dest/lib" "$dest/include"
  cp "$work/build/libjpeg.a" "$dest/lib/"
  cp "$work/build/jconfig.h" "$dir/jpeglib.h" "$dir/jmorecfg.h" "$dir/jerror.h" "$dest/include/"
  rm -rf "$work"
  echo "$dest"
}

build_gtest() {
  local ver dest work
  ver=$(dpkg-query -W -f='${Version}' googletest)
  dest=$cache/googletest-mingw-$(safe "$ver")
  [ -f "$dest/lib/libgtest.a" ] && { echo "$dest"; return; }
  log "building googletest $ver for Win32" >&2
  work=$(mktemp -d)
  cmake -S /usr/src/googletest -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -Dgtest_disable_pthreads=OFF \
    -DCMAKE_INSTALL_PREFIX="$dest" -DCMAKE_INSTALL_LIBDIR=lib >/dev/null
  cmake --build "$work" --target install >/dev/null
  rm -rf "$work"
  echo "$dest"
}

openssl_dir=$(build_openssl)
jpeg_dir=$(build_libjpeg)
gtest_dir=$(build_gtest)
cat > "$cache/paths.cmake" <<CM
set(ZINTU_OPENSSL_DIR "$openssl_dir")
set(ZINTU_LIBJPEG_DIR "$jpeg_dir")
set(ZINTU_GTEST_DIR "$gtest_dir")
CM
log "dependencies ready in $cache"

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
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine32 wine64 fonts-wine fonts-liberation xvfb xauth x11-utils
  cmake ninja-build dpkg-dev python3
  googletest
  clang libclang-rt-14-dev
  nginx-light tinyproxy openssl
  python3-pyftpdlib python3-aiosmtpd inn2
  # the SSL 2.0 and TLS 1.0 test servers of our own (tests/support/servers);
  # gnutls-serv for TLS 1.0 with RC4 and 3-DES, in a namespace of its own
  python3-cryptography gnutls-bin iproute2
  ncompress
  imagemagick netpbm giflib-tools libjpeg-turbo-progs
  # the text browsers that tools/bench-text.sh measures page-to-text against
  links2 w3m lynx elinks
)

need_install=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need_install+=("$p")
done
# wine32 is installed on every machine (dpkg needs no 32-bit code to unpack
# it); whether it can run decides which Windows build is tested.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
# Source entries beside the binary ones, derived from the machine's own list
# (the deb822 form of Debian 12, or a classic sources.list).
src_list=/etc/apt/sources.list.d/zintu-src.sources
src_classic=/etc/apt/sources.list.d/zintu-src.list
if [ ! -f "$src_list" ] && [ ! -f "$src_classic" ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$src_list"
  elif [ -f /etc/apt/sources.list ]; then
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$src_classic"
  else
    echo "[setup] no apt source list found to derive source entries from" >&2
    exit 1
  fi
  need_update=1
fi
if [ "${#need_install[@]}" -gt 0 ] || [ -n "${need_update:-}" ]; then
  log "installing: ${need_install[*]:-(lists only)}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ "${#need_install[@]}" -gt 0 ] && ! apt-get install -y -qq --no-install-recommends "${need_install[@]}" >/dev/null; then
    # The news server's own set-up stops when the machine's host name does
    # not resolve; it only needs a domain for its message ids.
    if [ -f /etc/news/inn.conf ] && ! grep -q '^domain:' /etc/news/inn.conf; then
      sed -i 's/^#domain:.*/domain: localdomain/' /etc/news/inn.conf
    fi
    dpkg --configure -a
  fi
fi
# The servers are started by the tests themselves, never as system services.
for svc in nginx tinyproxy inn2 exim4; do
  systemctl disable --now "$svc" >/dev/null 2>&1 || service "$svc" stop >/dev/null 2>&1 || true
done

jobs=$(nproc)
mkdir -p "$cache"

# Debian's source version names each cached build, so a new package rebuilds.
src_version() { apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'; }
# Folder names without the ':' and '~' of Debian versions, which linkers dislike.
safe() { printf '%s' "${1//[:~]/_}"; }

# Fetches a source package into the folder $2; shows apt's words if it fails.
fetch_source() {
  local out
  if ! out=$(cd "$2" && apt-get source -qq "$1" 2>&1); then
    echo "[setup] could not fetch the source of $1:" >&2
    echo "$out" >&2
    return 1
  fi
}

# Each build below is made for one Windows architecture ($1: i686 or x86_64).
# A 32-bit build of the earlier layout (directly in the cache) is used as is.
build_openssl() {
  local arch=$1 ver dest work target
  ver=$(src_version openssl)
  dest=$cache/$arch/openssl-$(safe "$ver")
  [ "$arch" = i686 ] && [ -f "$cache/openssl-$(safe "$ver")/lib/libcrypto.a" ] && dest=$cache/openssl-$(safe "$ver")
  [ -f "$dest/lib/libcrypto.a" ] && { echo "$dest"; return; }
  log "building libcrypto $ver for $arch" >&2
  work=$(mktemp -d)
  fetch_source "openssl=$ver" "$work"
  local dir; dir=$(find "$work" -maxdepth 1 -type d -name 'openssl-*' | head -n1)
  if [ "$arch" = i686 ]; then target=mingw; else target=mingw64; fi
  if ! (cd "$dir" && ./Configure "$target" --cross-compile-prefix="$arch-w64-mingw32-" \
      no-shared no-tests no-asm --prefix="$dest" &&
    make -s -j"$jobs" build_libs) >"$work/build.log" 2>&1; then
    echo "[setup] building libcrypto for $arch failed:" >&2
    tail -n 40 "$work/build.log" >&2
    return 1
  fi
  mkdir -p "$dest/lib" && cp "$dir/libcrypto.a" "$dest/lib/" && cp -r "$dir/include" "$dest/"
  rm -rf "$work"
  echo "$dest"
}

build_libjpeg() {
  local arch=$1 ver dest work
  ver=$(src_version libjpeg-turbo)
  dest=$cache/$arch/libjpeg-turbo-$(safe "$ver")
  [ "$arch" = i686 ] && [ -f "$cache/libjpeg-turbo-$(safe "$ver")/lib/libjpeg.a" ] && dest=$cache/libjpeg-turbo-$(safe "$ver")
  [ -f "$dest/lib/libjpeg.a" ] && { echo "$dest"; return; }
  log "building libjpeg-turbo $ver for $arch" >&2
  work=$(mktemp -d)
  fetch_source "libjpeg-turbo=$ver" "$work"
  local dir; dir=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
  cmake -Wno-dev -S "$dir" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" \
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
  local arch=$1 ver dest work
  ver=$(dpkg-query -W -f='${Version}' googletest)
  dest=$cache/$arch/googletest-$(safe "$ver")
  [ "$arch" = i686 ] && [ -f "$cache/googletest-mingw-$(safe "$ver")/lib/libgtest.a" ] && dest=$cache/googletest-mingw-$(safe "$ver")
  [ -f "$dest/lib/libgtest.a" ] && { echo "$dest"; return; }
  log "building googletest $ver for $arch" >&2
  work=$(mktemp -d)
  cmake -S /usr/src/googletest -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -Dgtest_disable_pthreads=OFF \
    -DCMAKE_INSTALL_PREFIX="$dest" -DCMAKE_INSTALL_LIBDIR=lib >/dev/null
  cmake --build "$work" --target install >/dev/null
  rm -rf "$work"
  echo "$dest"
}

# The openssl command with SSL 3.0 and the old ciphers (RC4, single and
# triple DES, the legacy provider built in), for this machine itself: the
# tests' SSL 3.0 peer ("s_server -ssl3"), which Debian's own build no longer
# has. Only the command is built, from Debian's source, once per version.
build_ssl3_openssl() {
  local ver dest work dir
  ver=$(src_version openssl)
  dest=$cache/native/openssl-ssl3-$(safe "$ver")
  if [ ! -x "$dest/bin/openssl" ]; then
    log "building the SSL 3.0 openssl command $ver" >&2
    work=$(mktemp -d)
    fetch_source "openssl=$ver" "$work"
    dir=$(find "$work" -maxdepth 1 -type d -name 'openssl-*' | head -n1)
    if ! (cd "$dir" && ./config enable-ssl3 enable-ssl3-method enable-weak-ssl-ciphers no-tests \
        no-shared no-module no-engine no-dso no-asm --prefix="$dest" &&
      make -s -j"$jobs" build_programs) >"$work/build.log" 2>&1; then
      echo "[setup] building the SSL 3.0 openssl command failed:" >&2
      tail -n 40 "$work/build.log" >&2
      return 1
    fi
    mkdir -p "$dest/bin" && cp "$dir/apps/openssl" "$dest/bin/"
    rm -rf "$work"
  fi
  # tools/with-server.sh runs it by this name.
  ln -sfn "$dest/bin/openssl" "$cache/openssl-ssl3"
}

# Both architectures on every machine: the 32-bit program is the product
# and is always built; the 64-bit one is built too, and tested where the
# machine cannot run 32-bit code. The two libcrypto builds run side by side.
for arch in i686 x86_64; do
  (
    openssl_dir=$(build_openssl "$arch")
    jpeg_dir=$(build_libjpeg "$arch")
    gtest_dir=$(build_gtest "$arch")
    cat >"$cache/paths-$arch.cmake" <<CM
set(ZINTU_OPENSSL_DIR "$openssl_dir")
set(ZINTU_LIBJPEG_DIR "$jpeg_dir")
set(ZINTU_GTEST_DIR "$gtest_dir")
CM
  ) &
done
build_ssl3_openssl &
failed=0
for job in $(jobs -p); do wait "$job" || failed=1; done
[ $failed -eq 0 ] || { echo "[setup] building the dependencies failed" >&2; exit 1; }
log "dependencies ready in $cache"

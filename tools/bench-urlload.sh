#!/usr/bin/env bash
# Benchmark (not part of the test run): loads a 200 MB file from nginx on
# 127.0.0.1 into the disk cache through a URL record, and fetches the same
# file with curl -o, side by side in one run. Prints both throughputs, their
# ratio and the program's peak memory. Needs the Windows build that this
# machine runs (tools/arch.sh), as tools/test.sh makes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}
. "$root/tools/arch.sh"
win=$(zintu_build_dir "$ZINTU_RUN_ARCH")
dir=/tmp/zintu-urlload-bench
mkdir -p "$dir"
[ -f "$dir/big.bin" ] || head -c 209715200 /dev/urandom >"$dir/big.bin"
out=$(mktemp -d)
export ZINTU_WINEPREFIX=$win/wineprefix
export ZINTU_URLLOAD_BENCH=1
cd "$win/tests/net"
"$root/tools/with-server.sh" nginx "$root/tests/net/data/urlload-nginx.conf.in" -- bash -c '
  set -e
  start=$(date +%s.%N)
  curl -s -o "'"$out"'/curl.bin" "http://127.0.0.1:$ZINTU_NGINX_PORT/bench/big.bin"
  end=$(date +%s.%N)
  echo "CURL seconds=$(echo "$end - $start" | bc) MBps=$(echo "209.7152 / ($end - $start)" | bc -l)"
  "'"$root"'/tools/wine-run.sh" --arch "'"$ZINTU_RUN_ARCH"'" --prefix "'"$win"'/wineprefix" ./url_load_test.exe \
      --gtest_filter=*Benchmark* 2>&1 | grep -E "BENCH|OK|FAILED"
'
cmp "$out/curl.bin" "$dir/big.bin" && echo "curl copy identical"
rm -rf "$out"

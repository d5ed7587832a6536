#!/usr/bin/env bash
# Sets everything up and runs every test: the native build under the
# sanitizers, then the Windows build this machine can run under Wine (see
# tools/arch.sh); the other Windows build is compiled too. Ends with
# ctest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}
jobs=${ZINTU_JOBS:-$(nproc)}
stamp() { date +%s; }
t0=$(stamp)

bash "$root/tools/setup.sh"
. "$root/tools/arch.sh"
t1=$(stamp)

configure_windows() {
  cmake -S "$root" -B "$(zintu_build_dir "$1")" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(zintu_toolchain "$1")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2" -DCMAKE_C_FLAGS_RELEASE="-O2" >/dev/null
}
cmake -S "$root" -B "$build/native" -G Ninja -DZINTU_NATIVE=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" >/dev/null
cmake --build "$build/native" -j "$jobs"
run_build=$(zintu_build_dir "$ZINTU_RUN_ARCH")
configure_windows "$ZINTU_RUN_ARCH"
cmake --build "$run_build" -j "$jobs"
# The other architecture's tree, tests included: built, not run, so that a
# fault of one word size (a callback's calling convention, a pointer in a
# 32-bit field) fails here and not first on a machine of the other kind.
other_build=$(zintu_build_dir "$ZINTU_OTHER_ARCH")
configure_windows "$ZINTU_OTHER_ARCH"
cmake --build "$other_build" -j "$jobs"
t2=$(stamp)

# One display and one wineserver for the whole run: a Wine start then costs
# a fraction of a second instead of several.
export ZINTU_WINEPREFIX=$run_build/wineprefix
. "$root/tools/wine-env.sh"
zintu_wine_prefix
exec 7< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&7
read -r display_no <&7
export DISPLAY=:$display_no
wineserver -p
# Start Wine's services now, outside any test.
zintu_wine cmd /c exit >/dev/null 2>&1 || true
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

status=0
echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --test-dir "$build/native" -j "$jobs" --output-on-failure || status=1
t3=$(stamp)
echo "== Windows tests under Wine: the $ZINTU_RUN_ARCH build ($ZINTU_ARCH_REASON); the $ZINTU_OTHER_ARCH tree was compiled"
# A program that Wine crashes at exit after all its tests passed gets one
# more run inside tools/wine-run.sh; any failed test fails here at once.
ctest --test-dir "$run_build" -j "$jobs" --output-on-failure || status=1
t4=$(stamp)
echo "timings: setup $((t1 - t0))s, build $((t2 - t1))s, native tests $((t3 - t2))s, Windows tests $((t4 - t3))s"
echo "tested: the $ZINTU_RUN_ARCH Windows build ($ZINTU_ARCH_REASON)"
exit $status

#!/usr/bin/env bash
# Measures the first paint of a local page of about 100 KB: from starting the
# program with the page on its command line to the page's title on its
# window and (ours) its text painted in the view, against dillo and
# netsurf-gtk on the same page under the same Xvfb, in one run. Not a test;
# the reference browsers are installed for measuring only (apt-get install
# dillo netsurf-gtk xdotool). Prints the best of the runs for each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}
runs=${ZINTU_BENCH_RUNS:-3}
for tool in dillo netsurf-gtk xdotool Xvfb; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install dillo netsurf-gtk xdotool" >&2; exit 1; }
done
. "$root/tools/arch.sh"
run_build=$(zintu_build_dir "$ZINTU_RUN_ARCH")
cmake -S "$root" -B "$run_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(zintu_toolchain "$ZINTU_RUN_ARCH")" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2" -DCMAKE_C_FLAGS_RELEASE="-O2" >/dev/null
cmake --build "$run_build" --target Zintu first_paint_bench >/dev/null
work=$build/bench-first-paint
mkdir -p "$work"
page=$work/page.html
[ -f "$page" ] || python3 "$root/tools/make-bench-page.py" "$page" 102400
printf '[USER PREFS]\r\nSHOW SPLASH SCREEN=0\r\n' > "$work/bench.ini"
echo "page: $page ($(stat -c %s "$page") bytes)"

export ZINTU_WINEPREFIX=$run_build/bench-prefix
. "$root/tools/wine-env.sh"
zintu_wine_prefix
exec 7< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&7
read -r display_no <&7
export DISPLAY=:$display_no
wineserver -p
zintu_wine cmd /c exit >/dev/null 2>&1 || true
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

winpath() { echo "Z:${1//\//\\}"; }

# Seconds from starting a Unix browser to a window titled with the page's.
title_time() {
  local start end pid
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 &
  pid=$!
  until xdotool search --name "Bench page" >/dev/null 2>&1; do sleep 0.005; done
  end=$(date +%s.%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk "BEGIN{printf \"%.3f\", $end - $start}"
}

best() { tr ' ' '\n' | sort -g | head -1; }
ours=() dillo_t=() netsurf_t=()
for _ in $(seq "$runs"); do
  ours+=("$(zintu_wine "$(winpath "$run_build/tests/windows/first_paint_bench.exe")" \
    "$(winpath "$run_build/Zintu.exe")" "$(winpath "$work/bench.ini")" "$(winpath "$page")" "Bench page")")
  dillo_t+=("$(title_time dillo "$page")")
  netsurf_t+=("$(title_time netsurf-gtk "file://$page")")
done
printf '%s\n' "${ours[@]}" | sed 's/^/Zintu (under Wine): /'
echo "dillo, to its title: best $(echo "${dillo_t[@]}" | best) s of ${dillo_t[*]}"
echo "netsurf-gtk, to its title: best $(echo "${netsurf_t[@]}" | best) s of ${netsurf_t[*]}"

#!/usr/bin/env bash
# Times the script benchmarks (tests/script/bench/*.js) in the command-line
# script host under Wine, and, side by side, in any other interpreters given
# as commands (each run as `COMMAND script.js`). Prints seconds per script and
# each other command's time divided by ours (above 1: ours is faster).
#   tools/script-bench.sh [-b BUILD_DIR] [COMMAND ...]
# BUILD_DIR is the Windows build (default: the one this machine runs, see
# tools/arch.sh). Without commands it
# compares with Debian's duk and mujs, installing them when missing and
# possible. Each script runs a second or more, so that starting a process
# counts for little. Not a test: the figures depend on the machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
. "$root/tools/arch.sh"
build=$(zintu_build_dir "$ZINTU_RUN_ARCH")
if [ "${1:-}" = "-b" ]; then
  build=$(cd "$2" && pwd)
  shift 2
  # The build folder tells its architecture.
  if grep -q 'CMAKE_SYSTEM_PROCESSOR:.*=x86_64\|mingw-x86_64' "$build/CMakeCache.txt" 2>/dev/null; then
    export ZINTU_RUN_ARCH=x86_64
  fi
fi
others=("$@")
if [ "${#others[@]}" -eq 0 ]; then
  missing=()
  command -v duk >/dev/null || missing+=(duktape)
  command -v mujs >/dev/null || missing+=(mujs)
  if [ "${#missing[@]}" -gt 0 ] && [ "$(id -u)" = 0 ]; then
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
      echo "note: could not install ${missing[*]}" >&2
  fi
  for c in duk mujs; do if command -v "$c" >/dev/null; then others+=("$c"); fi; done
fi
host=$build/zntjs-host.exe
[ -f "$host" ] || { echo "no $host: build the Windows tree first" >&2; exit 1; }

# One wineserver (and one display) for the whole run, started and warmed up
# before timing: otherwise each of our runs would also pay for booting Wine's
# own services, which says nothing about the engine.
export ZINTU_WINEPREFIX=$build/wineprefix
. "$root/tools/wine-env.sh"
zintu_wine_prefix
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  exec 7< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
  read -r _ xvfb_pid <&7
  read -r display_no <&7
  export DISPLAY=:$display_no
fi
wineserver -p
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
echo 1 >"$build/bench-warm-up.js"
zintu_wine "$host" "$build/bench-warm-up.js" >/dev/null 2>&1

seconds() {  # runs the command, prints the elapsed seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || echo "warning: '$*' failed" >&2
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

printf '%-16s %10s' script ours
for c in ${others[@]+"${others[@]}"}; do printf ' %14s %7s' "$(basename "${c%% *}")" ratio; done
printf '\n'
for script in "$root"/tests/script/bench/*.js; do
  ours=$(seconds zintu_wine "$host" --calls 0 "$script")
  printf '%-16s %10.2f' "$(basename "$script")" "$ours"
  for c in ${others[@]+"${others[@]}"}; do
    # shellcheck disable=SC2086  # a command may carry its own arguments
    t=$(seconds $c "$script")
    printf ' %14.2f %7.2f' "$t" "$(echo "$t / $ours" | bc -l)"
  done
  printf '\n'
done

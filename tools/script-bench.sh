#!/usr/bin/env bash
# Times the script benchmarks (tests/script/bench/*.js) in the command-line
# script host under Wine and prints seconds per script.
#   tools/script-bench.sh [-b BUILD_DIR]
# BUILD_DIR is the Windows build (default build/win32). Not a test: the
# figures depend on the machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win32
if [ "${1:-}" = "-b" ]; then
  build=$(cd "$2" && pwd)
  shift 2
fi
host=$build/zntjs-host.exe
[ -f "$host" ] || { echo "no $host: build the Windows tree first" >&2; exit 1; }

seconds() {  # runs the command, prints the elapsed seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || echo "warning: '$*' failed" >&2
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

printf '%-16s %10s\n' script seconds
for script in "$root"/tests/script/bench/*.js; do
  t=$(seconds "$root/tools/wine-run.sh" --prefix "$build/wineprefix" "$host" --calls 0 "$script")
  printf '%-16s %10.2f\n' "$(basename "$script")" "$t"
done

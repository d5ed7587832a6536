#!/usr/bin/env bash
# Runs a Windows program of ours under Wine:
#   wine-run.sh [--arch i686|x86_64] --prefix DIR program [args]
# ctest uses it as the emulator of the cross builds.
set -u
if [ "${1:-}" = "--arch" ]; then export ZINTU_RUN_ARCH=$2; shift 2; fi
if [ "${1:-}" = "--prefix" ]; then export ZINTU_WINEPREFIX=$2; shift 2; fi
. "$(dirname "$0")/wine-env.sh"
zintu_wine_prefix || exit 1
run=("$zintu_wine_loader" "$@")
[ -n "${DISPLAY:-}" ] || run=(xvfb-run -a -s '-screen 0 1024x768x24' "${run[@]}")

# Wine's own service processes (started on demand, kept by the persistent
# wineserver) inherit the output; were it ctest's pipe, ctest would wait for
# them. So the output goes through a file.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"${run[@]}" >"$out" 2>&1
rc=$?
cat "$out"

# Under heavy load Wine itself now and then crashes a process as it exits,
# after every test in it has passed. Only that case gets a second run: the
# test program's own summary says all passed and none failed. A failed
# assertion, or a crash before the summary, fails at once.
if [ $rc -ne 0 ] && grep -q '^\[  PASSED  \]' "$out" && ! grep -q '^\[  FAILED  \]' "$out"; then
  echo "wine-run.sh: every test passed but the program ended with code $rc; running it once more"
  "${run[@]}" >"$out" 2>&1
  rc=$?
  cat "$out"
fi
exit $rc

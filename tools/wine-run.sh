#!/usr/bin/env bash
# Runs a Windows program of ours under Wine: wine-run.sh --prefix DIR program [args]
# ctest uses it as the emulator of the cross build.
set -u
if [ "${1:-}" = "--prefix" ]; then export ZINTU_WINEPREFIX=$2; shift 2; fi
. "$(dirname "$0")/wine-env.sh"
zintu_wine_prefix
run=(wine "$@")
[ -n "${DISPLAY:-}" ] || run=(xvfb-run -a -s '-screen 0 1024x768x24' "${run[@]}")
# Wine's own service processes (started on demand, kept by the persistent
# wineserver) inherit the output; were it ctest's pipe, ctest would wait for
# them. So the output goes through a file.
out=$(mktemp)
"${run[@]}" >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc

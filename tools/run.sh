#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine: the
# 32-bit program, or the 64-bit one where this machine cannot run 32-bit
# code (tools/arch.sh). With a display it runs until you close it; without
# one it runs under Xvfb for a few seconds and prints the path of a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}

bash "$root/tools/setup.sh"
. "$root/tools/arch.sh"
command -v import >/dev/null || {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick >/dev/null
}
run_build=$(zintu_build_dir "$ZINTU_RUN_ARCH")
cmake -S "$root" -B "$run_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(zintu_toolchain "$ZINTU_RUN_ARCH")" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2" -DCMAKE_C_FLAGS_RELEASE="-O2" >/dev/null
cmake --build "$run_build" --target zintu_programs
echo "Running the $ZINTU_RUN_ARCH Windows build ($ZINTU_ARCH_REASON)."

# The user's browser keeps its settings in a prefix of its own.
export ZINTU_WINEPREFIX=${ZINTU_RUN_PREFIX:-$run_build/run-prefix}
. "$root/tools/wine-env.sh"
zintu_wine_prefix
exe=$run_build/Zintu.exe

if [ -n "${DISPLAY:-}" ]; then
  exec "$zintu_wine_loader" "$exe" "$@"
fi

shot=$build/zintu-screenshot.png
exec 7< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&7
read -r display_no <&7
export DISPLAY=:$display_no
# A Wine desktop window draws the frames that a window manager would.
zintu_wine explorer /desktop=Zintu,1024x768 "$exe" "$@" &
sleep "${ZINTU_RUN_SECONDS:-8}"
import -window root "$shot"
# Close the browser as a user would (WM_CLOSE), so that it ends cleanly and
# the next start does not offer the problem-solving dialog; then stop Wine.
zintu_wine explorer /desktop=Zintu,1024x768 taskkill /im Zintu.exe >/dev/null 2>&1 || true
sleep "${ZINTU_CLOSE_SECONDS:-3}"
wineserver -k 2>/dev/null || true
kill "$xvfb_pid" 2>/dev/null || true
wait 2>/dev/null || true
echo "No display: Zintu ran under Xvfb. Screenshot: $shot"

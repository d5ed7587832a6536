#!/usr/bin/env bash
# Rewrites the expected box trees of the layout fixture pages
# (tests/layout/golden) from what the formatter makes now. Review the
# difference before committing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}/native
cmake -S "$root" -B "$build" -G Ninja -DZINTU_NATIVE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" >/dev/null
cmake --build "$build" --target layout_formatter_test
ZINTU_UPDATE_GOLDEN=1 "$build/tests/layout/layout_formatter_test" --gtest_filter='LayoutGolden.PagesGiveTheirExpectedBoxTrees'
git -C "$root" status --short tests/layout/golden

#!/usr/bin/env bash
# Rewrites the expected dumps of the HTML fixture pages (tests/html/golden)
# from what the parser makes now. Review the difference before committing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}/native
cmake -S "$root" -B "$build" -G Ninja -DZINTU_NATIVE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" >/dev/null
cmake --build "$build" --target html_golden_test
ZINTU_UPDATE_GOLDEN=1 "$build/tests/html/html_golden_test" --gtest_filter='HtmlGolden.PagesGiveTheirExpectedDumps'
git -C "$root" status --short tests/html/golden

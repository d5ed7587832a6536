#!/usr/bin/env bash
# Rewrites the expected texts of the fixture pages (tests/layout/golden/
# *.txt) from what page-to-text writes now. Review the difference before
# committing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}/native
cmake -S "$root" -B "$build" -G Ninja -DZINTU_NATIVE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" >/dev/null
cmake --build "$build" --target page-to-text
for page in paragraphs lists pre nobr table; do
  "$build/page-to-text" "$root/tests/layout/golden/$page.html" "$root/tests/layout/golden/$page.txt"
done
git -C "$root" status --short tests/layout/golden

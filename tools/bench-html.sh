#!/usr/bin/env bash
# Measures parsing a large page into its element tree against libxml2's HTML
# parser (xmllint --html --noout, from Debian) on the same file: whole process
# against whole process, wall time and peak memory of each, side by side.
# Not a test; prints the figures and the ratio.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}/bench
page=${1:-$build/bench-page.html}
# Lines of the PRE-heavy listing; it is also measured at twice the size, to
# show that the time grows no faster than the page.
listing_lines=${ZINTU_BENCH_PRE_LINES:-100000}
megabytes=${ZINTU_BENCH_MB:-24}
runs=${ZINTU_BENCH_RUNS:-3}

command -v xmllint >/dev/null || { echo "xmllint is missing: apt-get install libxml2-utils" >&2; exit 1; }
cmake -S "$root" -B "$build" -G Ninja -DZINTU_NATIVE=ON -DZINTU_SANITIZE=OFF -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target html_bench >/dev/null
[ -f "$page" ] || python3 "$root/tools/make-bench-page.py" "$page" $((megabytes * 1024 * 1024))
echo "page: $page ($(stat -c %s "$page") bytes)"

# Best of the runs: wall seconds and peak resident kilobytes.
measure() {
  local best_time="" best_rss=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$build/time.out" "$@" >/dev/null 2>&1 || true
    read -r t m < "$build/time.out"
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then best_time=$t; fi
    if [ -z "$best_rss" ] || [ "$m" -lt "$best_rss" ]; then best_rss=$m; fi
  done
  echo "$best_time $best_rss"
}
read -r ours_t ours_m < <(measure "$build/tests/html/html_bench" "$page")
read -r xml_t xml_m < <(measure xmllint --html --noout "$page")
printf "%-28s %8s s %10s KB\n" "html_bench (ours)" "$ours_t" "$ours_m" "xmllint --html --noout" "$xml_t" "$xml_m"
awk "BEGIN{printf \"time ratio ours/xmllint: %.2f\n\", $ours_t / $xml_t}"
"$build/tests/html/html_bench" "$page"

# A source listing: one PRE holding many inline elements, a line each.
for lines in "$listing_lines" $((listing_lines * 2)); do
  listing=$build/bench-pre-$lines.html
  [ -f "$listing" ] || python3 "$root/tools/make-bench-page.py" "$listing" --pre "$lines"
  read -r ours_t ours_m < <(measure "$build/tests/html/html_bench" "$listing")
  read -r xml_t xml_m < <(measure xmllint --html --noout "$listing")
  echo "PRE listing of $lines lines ($(stat -c %s "$listing") bytes):"
  printf "  %-26s %8s s %10s KB\n" "html_bench (ours)" "$ours_t" "$ours_m" "xmllint --html --noout" "$xml_t" "$xml_m"
  awk "BEGIN{printf \"  time ratio ours/xmllint: %.2f\n\", $ours_t / $xml_t}"
done

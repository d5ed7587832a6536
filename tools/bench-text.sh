#!/usr/bin/env bash
# Measures turning a large page into text: page-to-text against the text
# browsers of Debian that dump a page (links2 -dump, w3m -dump, lynx -dump
# and elinks -dump, each as installed by tools/setup.sh), whole process
# against whole process on the same file, 80 columns, output thrown away.
# Prints the best wall time and the peak memory of each and its time
# divided by ours (above 1: ours is faster); then ours on a page ten times
# as large, to show that the time grows no faster than the page.
# Not a test: the figures depend on the machine.
#   tools/bench-text.sh [MEGABYTES]     (default 2; the large page is ten times that)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}/bench
megabytes=${1:-2}
runs=${ZINTU_BENCH_RUNS:-3}

cmake -S "$root" -B "$build" -G Ninja -DZINTU_NATIVE=ON -DZINTU_SANITIZE=OFF -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target page-to-text >/dev/null
ours=$build/page-to-text

# The page of paragraphs, tables, lists and links of tools/bench-html.sh,
# the same bytes on every run.
page_of() {
  local page=$build/bench-text-$1mb.html
  [ -f "$page" ] || python3 "$root/tools/make-bench-page.py" "$page" $(($1 * 1024 * 1024))
  echo "$page"
}

# Best of the runs: wall seconds and peak resident kilobytes.
measure() {
  local best_time="" best_rss=""
  for _ in $(seq "$runs"); do
    if ! /usr/bin/time -f "%e %M" -o "$build/time.out" "$@" >/dev/null 2>"$build/stderr.out"; then
      echo "warning: '$*' failed: $(tail -1 "$build/stderr.out")" >&2
    fi
    read -r t m <"$build/time.out"
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then best_time=$t; fi
    if [ -z "$best_rss" ] || [ "$m" -lt "$best_rss" ]; then best_rss=$m; fi
  done
  echo "$best_time $best_rss"
}

page=$(page_of "$megabytes")
echo "page: $page ($(stat -c %s "$page") bytes), 80 columns, best of $runs runs"
read -r ours_t ours_m < <(measure "$ours" "$page")
lines=$("$ours" "$page" | wc -l)
printf "%-28s %8s s %10s KB   (%s lines)\n" "page-to-text (ours)" "$ours_t" "$ours_m" "$lines"
others=(
  "links2 -dump -width 80"
  "w3m -dump -cols 80 -T text/html"
  "lynx -dump -width=80"
  "elinks -dump -dump-width 80 -no-home"
)
for other in "${others[@]}"; do
  command -v "${other%% *}" >/dev/null || { echo "${other%% *}: not installed (tools/setup.sh installs it)"; continue; }
  # shellcheck disable=SC2086  # the command carries its own arguments
  read -r t m < <(measure $other "$page")
  printf "%-28s %8s s %10s KB   ratio to ours %s\n" "${other%% *} -dump" "$t" "$m" \
    "$(awk "BEGIN{printf \"%.2f\", $t / ($ours_t > 0 ? $ours_t : 0.01)}")"
done

# The same with every program's heap grown in large steps and backed by
# huge pages (glibc's tunables): where faulting in fresh memory page by page
# is dear (a virtual machine), that cost is the larger part of all of them.
tunables="glibc.malloc.hugetlb=1:glibc.malloc.top_pad=67108864"
echo "with GLIBC_TUNABLES=$tunables for every program:"
read -r tuned_t tuned_m < <(measure env GLIBC_TUNABLES="$tunables" "$ours" "$page")
printf "  %-26s %8s s %10s KB\n" "page-to-text (ours)" "$tuned_t" "$tuned_m"
for other in "${others[@]}"; do
  command -v "${other%% *}" >/dev/null || continue
  # shellcheck disable=SC2086
  read -r t m < <(measure env GLIBC_TUNABLES="$tunables" $other "$page")
  printf "  %-26s %8s s %10s KB   ratio to ours %s\n" "${other%% *} -dump" "$t" "$m" \
    "$(awk "BEGIN{printf \"%.2f\", $t / ($tuned_t > 0 ? $tuned_t : 0.01)}")"
done

large=$((megabytes * 10))
big=$(page_of "$large")
read -r big_t big_m < <(measure "$ours" "$big")
echo "page of $large MB ($(stat -c %s "$big") bytes):"
printf "  %-26s %8s s %10s KB\n" "page-to-text (ours)" "$big_t" "$big_m"
awk "BEGIN{printf \"  time grows %.1f times for a page %d times as large\n\", $big_t / ($ours_t > 0 ? $ours_t : 0.01), 10}"

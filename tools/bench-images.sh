#!/usr/bin/env bash
# Measures decoding large images natively through the image classes against
# giflib's gif2rgb and libjpeg-turbo's djpeg on the same files: a 4000 x 4000
# GIF, a GIF of 200 frames and a 4000 x 3000 JPEG. Whole process against
# whole process, best wall time of the runs, with the processor time and the
# page faults of that run. Not a test; prints the figures.
#
# What each side does:
# - image_bench (ours) reads the file as the program reads a local file and
#   keeps every decoded frame in the image's memory (200 frames of the
#   animation, the whole 36 MB picture of the JPEG); it writes nothing.
# - gif2rgb -1 decodes every frame onto one screen-sized buffer and writes
#   the last screen as RGB triplets to /dev/null (one stream: without -1 it
#   would make three files named after the output, /dev/null.R and so on).
# - djpeg writes the picture to /dev/null row by row as it decodes, holding
#   only a few rows; djpeg -bmp keeps the whole picture until it is written,
#   as an image does, and is shown beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}/bench
data=$build/bench-images
runs=${ZINTU_BENCH_RUNS:-5}

for tool in gif2rgb djpeg cjpeg; do
  command -v $tool >/dev/null || { echo "$tool is missing: run tools/setup.sh" >&2; exit 1; }
done
cmake -S "$root" -B "$build" -G Ninja -DZINTU_NATIVE=ON -DZINTU_SANITIZE=OFF -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target image_bench >/dev/null
mkdir -p "$data"
im() { /usr/bin/convert "$@"; }
if [ ! -f "$data/large.gif" ]; then
  im -size 4000x4000 -seed 3 plasma:orange-teal -colors 256 "$data/large.gif"
fi
if [ ! -f "$data/frames.gif" ]; then
  im -size 400x300 -seed 4 plasma:green-purple -colors 128 "$data/base.ppm"
  for i in $(seq 0 199); do im "$data/base.ppm" -roll +$((i * 2))+$i "$data/frame-$i.gif"; done
  im -delay 4 -loop 0 $(for i in $(seq 0 199); do echo "$data/frame-$i.gif"; done) "$data/frames.gif"
  rm -f "$data"/frame-*.gif
fi
if [ ! -f "$data/large.jpg" ]; then
  im -size 4000x3000 -seed 5 plasma:red-navy "$data/large.ppm"
  cjpeg -quality 90 "$data/large.ppm" >"$data/large.jpg"
fi

# Prints the best wall time of the runs and, beside it, the processor time
# (user and system) and the page faults of that run.
best() {
  local best_time="" best_cpu="" best_faults=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %U %S %R" -o "$build/time.out" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    read -r t user sys faults <"$build/time.out"
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then
      best_time=$t
      best_cpu=$(awk "BEGIN{printf \"%.2f\", $user + $sys}")
      best_faults=$faults
    fi
  done
  echo "$best_time $best_cpu $best_faults"
}
row() { printf "%-46s %6s s wall %6s s cpu %7s faults\n" "$1" $2; }
echo "best of $runs runs; load average $(cut -d' ' -f1-3 /proc/loadavg)"
for f in large.gif frames.gif; do
  row "image_bench $f (ours)" "$(best "$build/tests/layout/image_bench" "$data/$f")"
  row "gif2rgb -1 $f" "$(best gif2rgb -1 -o /dev/null "$data/$f")"
done
row "image_bench large.jpg (ours)" "$(best "$build/tests/layout/image_bench" "$data/large.jpg")"
row "djpeg large.jpg" "$(best djpeg -outfile /dev/null "$data/large.jpg")"
row "djpeg -bmp large.jpg (whole picture held)" "$(best djpeg -bmp -outfile /dev/null "$data/large.jpg")"
"$build/tests/layout/image_bench" "$data/large.gif" "$data/frames.gif" "$data/large.jpg"

#!/usr/bin/env bash
# Measures decoding large images natively through the image classes against
# giflib's gif2rgb and libjpeg-turbo's djpeg on the same files: a 4000 x 4000
# GIF, a GIF of 200 frames and a 4000 x 3000 JPEG. Whole process against
# whole process (the reference programs also write their output, to
# /dev/null), best wall time of the runs. Not a test; prints the figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZINTU_BUILD:-$root/build}/bench
data=$build/bench-images
runs=${ZINTU_BENCH_RUNS:-3}

for tool in gif2rgb djpeg cjpeg; do
  command -v $tool >/dev/null || { echo "$tool is missing: run tools/setup.sh" >&2; exit 1; }
done
cmake -S "$root" -B "$build" -G Ninja -DZINTU_NATIVE=ON -DZINTU_SANITIZE=OFF -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target image_bench >/dev/null
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

best() {
  local best_time=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e" -o "$build/time.out" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    t=$(cat "$build/time.out")
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then best_time=$t; fi
  done
  echo "$best_time"
}
row() { printf "%-34s %8s s\n" "$1" "$2"; }
for f in large.gif frames.gif; do
  ours=$(best "$build/tests/layout/image_bench" "$data/$f")
  theirs=$(best gif2rgb -o /dev/null "$data/$f")
  row "image_bench $f (ours)" "$ours"
  row "gif2rgb $f" "$theirs"
done
ours=$(best "$build/tests/layout/image_bench" "$data/large.jpg")
theirs=$(best djpeg -outfile /dev/null "$data/large.jpg")
row "image_bench large.jpg (ours)" "$ours"
row "djpeg large.jpg" "$theirs"
"$build/tests/layout/image_bench" "$data/large.gif" "$data/frames.gif" "$data/large.jpg"

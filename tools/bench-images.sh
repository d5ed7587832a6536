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
# (user and system) of that run.
best() {
  local best_time="" best_cpu=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %U %S" -o "$build/time.out" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    read -r t user sys <"$build/time.out"
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then
      best_time=$t
      best_cpu=$(awk "BEGIN{printf \"%.2f\", $user + $sys}")
    fi
  done
  echo "$best_time $best_cpu"
}
row() { printf "%-46s %6s s wall %6s s cpu\n" "$1" $2; }
echo "best of $runs runs"
for f in large.gif frames.gif; do
  row "image_bench $f (ours)" "$(best "$build/tests/layout/image_bench" "$data/$f")"
  row "gif2rgb $f" "$(best gif2rgb -o /dev/null "$data/$f")"
done
row "image_bench large.jpg (ours)" "$(best "$build/tests/layout/image_bench" "$data/large.jpg")"
row "djpeg large.jpg" "$(best djpeg -outfile /dev/null "$data/large.jpg")"
# djpeg's BMP output keeps the whole picture in memory until it is written,
# as an image does: the same pages to touch.
row "djpeg -bmp large.jpg (whole picture held)" "$(best djpeg -bmp -outfile /dev/null "$data/large.jpg")"
"$build/tests/layout/image_bench" "$data/large.gif" "$data/frames.gif" "$data/large.jpg"

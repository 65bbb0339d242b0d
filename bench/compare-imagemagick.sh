#!/usr/bin/env bash
# The same transforms through ImageMagick 6 for comparison with `make bench`.
# Input comes from an .mpc cache and output goes to null:, so that mostly the
# operation is timed; the time of a bare read of the cache is subtracted.
# Prints megapixels of the source per second, one thread and all cores.
set -euo pipefail
im=convert-im6.q16
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
$im -size 4000x3000 xc: +noise Random -depth 8 "$work/large.mpc"
$im -size 1000x750 xc: +noise Random -depth 8 -alpha set "$work/small.mpc"

seconds() {  # best of 3 wall-clock runs of the command
  local best=
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N)
    best=$(echo "$end - $start" | bc -l | awk -v b="$best" '{ if (b == "" || $1 < b) print $1; else print b }')
  done
  echo "$best"
}

run() {  # name, input, megapixels, options...
  local name=$1 input=$2 mp=$3; shift 3
  for threads in 1 $(nproc); do
    local base op
    base=$(seconds $im -limit thread "$threads" "$input" null:)
    op=$(seconds $im -limit thread "$threads" "$input" "$@" null:)
    printf '%-40s threads=%-2s %8.1f MP/s  (%.1f ms)\n' "$name" "$threads" \
      "$(echo "$mp / ($op - $base)" | bc -l)" "$(echo "($op - $base) * 1000" | bc -l)"
  done
}

run "sample 4000x3000 -> 1333x1000" "$work/large.mpc" 12 -sample '1333x1000!'
run "resize Catrom 4000x3000 -> 1333x1000" "$work/large.mpc" 12 -filter Catrom -resize '1333x1000!'
run "resize Catrom 1000x750 -> 2000x1500" "$work/small.mpc" 0.75 -filter Catrom -resize '2000x1500!'
run "rotate 17 (alpha) nearest" "$work/small.mpc" 0.75 -interpolate Nearest -background none -rotate 17
run "rotate 17 (alpha) bicubic" "$work/small.mpc" 0.75 -interpolate Catrom -background none -rotate 17
run "flip 4000x3000" "$work/large.mpc" 12 -flip
run "flop 4000x3000" "$work/large.mpc" 12 -flop
run "rotate 90 4000x3000" "$work/large.mpc" 12 -rotate 90

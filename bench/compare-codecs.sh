#!/usr/bin/env bash
# Times libjpeg-turbo's own tools and ImageMagick 6 on the very files that
# `make bench` (CodecBench) left in $ORVANTIS_BENCH_DIR, for comparison with
# the codec figures there. Prints megapixels per second of the 4000 x 3000 photo.
set -euo pipefail
dir=${ORVANTIS_BENCH_DIR:-/tmp/orvantis-bench}
[[ -f $dir/photo.jpg && -f $dir/photo.png && -f $dir/photo.bmp ]] || {
  echo "run make bench first: $dir holds no photo.{jpg,png,bmp}" >&2; exit 1; }
im=convert-im6.q16
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
$im "$dir/photo.bmp" "$work/photo.mpc"
$im "$dir/photo.bmp" "$work/photo.ppm"

seconds() {  # best of 3 wall-clock runs
  local best=
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N); "$@" >/dev/null 2>&1; end=$(date +%s.%N)
    best=$(echo "$end - $start" | bc -l | awk -v b="$best" '{ if (b == "" || $1 < b) print $1; else print b }')
  done
  echo "$best"
}
report() {  # name, seconds
  printf '%-34s %8.1f MP/s  (%.1f ms)\n' "$1" "$(echo "12 / $2" | bc -l)" "$(echo "$2 * 1000" | bc -l)"
}
base=$(seconds $im -limit thread 1 "$work/photo.mpc" null:)
imop() {  # name, input, output...
  local name=$1; shift
  report "$name" "$(echo "$(seconds $im -limit thread 1 "$@") - $base" | bc -l)"
}

report "djpeg (decode to PPM)" "$(seconds djpeg -outfile /dev/null "$dir/photo.jpg")"
report "cjpeg -quality 90 (from PPM)" "$(seconds cjpeg -quality 90 -outfile /dev/null "$work/photo.ppm")"
report "ImageMagick decode JPEG" "$(seconds $im -limit thread 1 "$dir/photo.jpg" null:)"
imop "ImageMagick encode JPEG q90" "$work/photo.mpc" -quality 90 "$work/out.jpg"
report "ImageMagick decode PNG" "$(seconds $im -limit thread 1 "$dir/photo.png" null:)"
imop "ImageMagick encode PNG" "$work/photo.mpc" "$work/out.png"
report "ImageMagick decode BMP" "$(seconds $im -limit thread 1 "$dir/photo.bmp" null:)"
imop "ImageMagick encode BMP" "$work/photo.mpc" "$work/out.bmp"

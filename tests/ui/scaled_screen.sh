#!/usr/bin/env bash
# The real program on a screen of two device pixels a point (Xvfb with
# QT_SCALE_FACTOR=2): the card and the skin are shown at the screen's own
# pixels, so their regions of a screenshot have detail finer than two
# pixels. Drawn at one pixel a point and doubled, they would be made of
# 2 x 2 blocks of one colour.
#   scaled_screen.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/inside.sh" <<'INNER'
set -euo pipefail
build=$1 work=$2 steps=$3
source "$steps"
QT_SCALE_FACTOR=2 QT_QPA_PLATFORM=xcb XDG_STATE_HOME="$work/state" ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0 \
  "$build/orvantis" 2>"$work/errors" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
xwininfo -id "$(window Orvantis)" >"$work/info"
sleep 2
import -window root "$work/shot.png"
value() { awk -F: -v k="$1" '$1 ~ k {gsub(/ /, "", $2); print $2}' "$work/info"; }
x=$(value "Absolute upper-left X") y=$(value "Absolute upper-left Y")
width=$(value "Width") height=$(value "Height")
# The window is 800 x 600 points: 1600 x 1200 pixels.
[[ $width == 1600 && $height == 1200 ]] || { echo "window is $width x $height, not 1600 x 1200"; exit 1; }
# Each region is checked at every 2 x 2 alignment: each block replaced by
# its mean, the pixels that change.
not_blocks() {  # name width height x y (in the window)
  convert "$work/shot.png" -crop "$2x$3+$((x + $4))+$((y + $5))" +repage "$work/region.png"
  local pixels=$((($2 - 2) * ($3 - 2))) offset differ
  for offset in +0+0 +1+0 +0+1 +1+1; do
    convert "$work/region.png" -crop "$(($2 - 2))x$(($3 - 2))$offset" +repage "$work/part.png"
    convert "$work/part.png" -scale 50% -scale 200% "$work/blocks.png"
    differ=$(compare -metric AE "$work/part.png" "$work/blocks.png" null: 2>&1 || true)
    echo "$1, blocks at $offset: $differ of $pixels pixels differ from their block's mean"
    (( ${differ%%.*} > pixels / 50 )) || { echo "the $1 is made of 2 x 2 blocks"; exit 1; }
  done
}
# The lower middle of the card, where the template's texts stand, and the
# main bar's buttons with their labels, drawn from the skin.
not_blocks card 800 300 400 800
not_blocks "main bar" 800 100 700 60
kill $program
wait $program 2>/dev/null || true
echo "card and skin shown at device pixels"
INNER
xvfb-run -a -s "-screen 0 2560x1600x24" bash "$work/inside.sh" "$build" "$work" "$(dirname "$0")/x11_steps.sh"

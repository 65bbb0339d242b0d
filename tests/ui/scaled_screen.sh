#!/usr/bin/env bash
# The real program on a screen of two device pixels a point (Xvfb with
# QT_SCALE_FACTOR=2): the card is shown at the screen's own pixels, so its
# region of a screenshot has detail finer than two pixels. A card drawn at
# one pixel a point and doubled would be made of 2 x 2 blocks of one colour.
#   scaled_screen.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/inside.sh" <<'INNER'
set -euo pipefail
build=$1 work=$2
QT_SCALE_FACTOR=2 QT_QPA_PLATFORM=xcb XDG_STATE_HOME="$work/state" ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0 \
  "$build/orvantis" 2>"$work/errors" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
shown=
for _ in $(seq 100); do
  if xwininfo -name Orvantis >"$work/info" 2>/dev/null && grep -q IsViewable "$work/info"; then shown=1; break; fi
  kill -0 $program 2>/dev/null || { echo "the program ended without a window"; cat "$work/errors"; exit 1; }
  sleep 0.2
done
[[ -n $shown ]] || { echo "no window appeared within 20 s"; cat "$work/errors"; exit 1; }
sleep 2
import -window root "$work/shot.png"
value() { awk -F: -v k="$1" '$1 ~ k {gsub(/ /, "", $2); print $2}' "$work/info"; }
x=$(value "Absolute upper-left X") y=$(value "Absolute upper-left Y")
width=$(value "Width") height=$(value "Height")
# The window is 800 x 600 points: 1600 x 1200 pixels.
[[ $width == 1600 && $height == 1200 ]] || { echo "window is $width x $height, not 1600 x 1200"; exit 1; }
# The lower middle of the card, where the template's texts stand.
convert "$work/shot.png" -crop 800x300+$((x + 400))+$((y + 800)) +repage "$work/card.png"
pixels=$((798 * 298))
for offset in +0+0 +1+0 +0+1 +1+1; do
  # Each 2 x 2 block replaced by its mean: the pixels that change.
  convert "$work/card.png" -crop "798x298$offset" +repage "$work/part.png"
  convert "$work/part.png" -scale 50% -scale 200% "$work/blocks.png"
  differ=$(compare -metric AE "$work/part.png" "$work/blocks.png" null: 2>&1 || true)
  echo "blocks at $offset: $differ of $pixels pixels differ from their block's mean"
  (( ${differ%%.*} > pixels / 50 )) || { echo "the card is made of 2 x 2 blocks"; exit 1; }
done
kill $program
wait $program 2>/dev/null || true
echo "card shown at device pixels"
INNER
xvfb-run -a -s "-screen 0 2560x1600x24" bash "$work/inside.sh" "$build" "$work"

#!/usr/bin/env bash
# The card file in the real program under a real X server: a card with a
# photo is saved as a picture and as a card file with the keyboard, the
# photo is moved away, the card file opens in a new run of the program and
# saves the same picture, byte for byte.
#   card_file_e2e.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/inside.sh" <<'INNER'
set -euo pipefail
build=$1 work=$2 steps=$3
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0 QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME=$work/config
source "$steps"
program=

# Each run keeps its cards behind the user's back apart: what the first run
# kept has nothing to do with the card file it opens next.
start() {
  XDG_STATE_HOME=$(mktemp -d -p "$work") "$build/orvantis" "$@" 2>>"$work/errors" &
  program=$!
}
stop() {
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
}
trap stop EXIT

mkdir -p "$work/photos"
convert -size 600x400 plasma:fractal -quality 92 "$work/photos/beach.jpg"
start "$work/photos/beach.jpg"
save_with Orvantis "Save the card" ctrl+s "$work/before.png"
save_with Orvantis "Save the card as a card file" ctrl+shift+s "$work/card.orvantis"
stop

mv "$work/photos" "$work/moved"
start "$work/card.orvantis"
save_with "card.orvantis - Orvantis" "Save the card" ctrl+s "$work/after.png"
stop
cmp "$work/before.png" "$work/after.png" || { echo "the reopened card saves other bytes"; exit 1; }
echo "card file round trip in the program: $(stat -c %s "$work/after.png") bytes the same"
INNER
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/inside.sh" "$build" "$work" "$(dirname "$0")/x11_steps.sh"

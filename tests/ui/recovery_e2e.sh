#!/usr/bin/env bash
# A card kept behind the user's back survives a kill: a photo is placed and a
# text typed in the real program under a real X server, the card is saved as
# a picture, the program is killed with SIGKILL once it had a moment; started
# again, it offers the card back, and the restored card saves the same
# picture, byte for byte. A normal quit then leaves no slot behind.
#   recovery_e2e.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/inside.sh" <<'INNER'
set -euo pipefail
build=$1 work=$2 steps=$3
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0 QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
slots=$work/state/orvantis/recovery
source "$steps"
program=

save_picture() { save_with Orvantis "Save the card" ctrl+s "$1"; }
start() { "$build/orvantis" "$@" 2>>"$work/errors" & program=$!; }
trap 'kill -9 $program 2>/dev/null || true' EXIT

convert -size 600x400 plasma:fractal -quality 92 "$work/photo.jpg"
start "$work/photo.jpg"
# A text typed onto the card, below the photo.
type_text_at "$(window Orvantis)" 300 450 "Kept safe"
save_picture "$work/before.png"
for _ in $(seq 40); do [[ -f $(echo "$slots"/*/card.json) ]] && break; sleep 0.2; done
[[ -f $(echo "$slots"/*/card.json) ]] || { echo "no card was kept within 8 s"; exit 1; }
kill -9 "$program"
wait "$program" 2>/dev/null || true
rm -f "$work/photo.jpg"

start
dialog=$(window "Restore a card - Orvantis")
xdotool windowfocus --sync "$dialog" key Return
save_picture "$work/after.png"
cmp "$work/before.png" "$work/after.png" || { echo "the restored card saves other bytes"; exit 1; }

# A normal quit, declining to save a changed card, removes the slot.
main=$(window Orvantis)
type_text_at "$main" 300 200 "More"
xdotool mousemove $((X + WIDTH - 30)) $((Y + 8)) click 1
for _ in $(seq 50); do
  prompt=$(xdotool search --onlyvisible --name '^Orvantis$' | tail -n 1)
  [[ $prompt != "$main" ]] && break
  sleep 0.2
done
[[ $prompt != "$main" ]] || { echo "no quit prompt for a changed card"; exit 1; }
xdotool windowfocus --sync "$prompt" key Escape
for _ in $(seq 50); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
! kill -0 "$program" 2>/dev/null || { echo "the program did not quit"; exit 1; }
left=$(find "$slots" -mindepth 1 -maxdepth 1 | wc -l)
(( left == 0 )) || { echo "a normal quit left $left slots"; ls -R "$slots"; exit 1; }
echo "recovery after a kill: the restored card saves $(stat -c %s "$work/after.png") bytes the same"
INNER
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/inside.sh" "$build" "$work" "$(dirname "$0")/x11_steps.sh"

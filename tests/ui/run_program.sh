#!/usr/bin/env bash
# Starts the real program under a real X server and checks that its window
# maps at 800 x 600, centred, and shows the card.
#   run_program.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/inside.sh" <<'INNER'
set -euo pipefail
build=$1 work=$2
# ctest runs with the offscreen platform; this test needs the real X server.
# Under AddressSanitizer the keyboard library's strndup of an unterminated
# (and legal) name trips the strict string checks: those are left off here.
convert -size 300x200 xc:red "$work/photo.png"
ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0 QT_QPA_PLATFORM=xcb XDG_STATE_HOME="$work/state" \
  "$build/orvantis" "$work/photo.png" "$work/missing.jpg" 2>"$work/errors" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
# The window maps within ten seconds, or the test fails at once, also when
# the program ended without one.
shown=
for _ in $(seq 50); do
  if xwininfo -name Orvantis >"$work/info" 2>/dev/null && grep -q IsViewable "$work/info"; then shown=1; break; fi
  kill -0 $program 2>/dev/null || { echo "the program ended without a window"; cat "$work/errors"; exit 1; }
  sleep 0.2
done
[[ -n $shown ]] || { echo "no window appeared within 10 s"; cat "$work/errors"; exit 1; }
sleep 1
import -window root "$work/shot.png"
cat "$work/info"
value() { awk -F: -v k="$1" '$1 ~ k {gsub(/ /, "", $2); print $2}' "$work/info"; }
[[ $(value "Width") == 800 && $(value "Height") == 600 ]] || { echo "window is not 800 x 600"; cat "$work/errors"; exit 1; }
[[ $(value "Absolute upper-left X") == 240 && $(value "Absolute upper-left Y") == 212 ]] || { echo "window is not centred"; exit 1; }
# The card view shows the card: a frame picture has many colours, the
# hatched background alone has two. The caption band is painted from the skin.
view_colours=$(convert "$work/shot.png" -crop 700x400+290+360 +repage -format "%k" info:)
caption=$(convert "$work/shot.png" -crop 1x1+300+224 -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" info:)
echo "colours in the view: $view_colours; caption pixel: $caption"
(( view_colours > 50 )) || { echo "no card in the view"; exit 1; }
[[ $caption != "0,0,0" ]] || { echo "caption not painted"; exit 1; }
# The window carries the program's icon (drawn into res/icons where no icon
# theme has it) and the class of its desktop entry.
window=$(xwininfo -name Orvantis | awk '/Window id:/ {print $4}')
# (Read whole first: grep -q ending the pipe early would fail it under pipefail.)
xprop -id "$window" WM_CLASS _NET_WM_ICON >"$work/properties"
grep -q 'WM_CLASS.*"orvantis"' "$work/properties" || { echo "the window's class is not orvantis"; exit 1; }
grep -aq 'Icon (128 x 128)' "$work/properties" || { echo "the window has no icon"; exit 1; }
grep -q "missing.jpg could not be opened" "$work/errors" || { echo "no message for the missing photo"; exit 1; }
# The photo given on the command line lies on the card, at its top-left corner.
photo=$(convert "$work/shot.png" -crop 1x1+$((240 + 9 + 60))+$((212 + 123 + 40)) -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" info:)
echo "photo pixel: $photo"
[[ $photo == "255,0,0" ]] || { echo "the photo is not on the card"; exit 1; }
kill $program
wait $program 2>/dev/null || true
echo "program window ok"
INNER
# Without a window: the version and a wrong option.
"$build/orvantis" --version | grep -qx 'orvantis [0-9][0-9.]*' || { echo "--version printed no version"; exit 1; }
status=0; "$build/orvantis" --no-such-option 2>/dev/null || status=$?
(( status == 2 )) || { echo "a wrong option gave status $status"; exit 1; }
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/inside.sh" "$build" "$work"

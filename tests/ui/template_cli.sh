#!/usr/bin/env bash
# Makes and shares a template through the real program's command line: a
# frame picture drawn by another program (ImageMagick: a filled card with
# an elliptic and a rectangular transparent hole) becomes a template with
# --new-template, is packed with --export-template and imported with
# --import into a fresh program folder, where it arrives byte for byte.
#   template_cli.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d -p "$build" template-cli.XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "template command line: $*"; failed=1; }

# Each program copy uses its own res/ folder beside it (writable, as in a
# build tree), so the build's own templates stay untouched.
for copy in maker fresh; do
  mkdir -p "$work/$copy/res"
  ln "$build/orvantis" "$work/$copy/orvantis" 2>/dev/null || cp "$build/orvantis" "$work/$copy/orvantis"
done
convert -size 600x400 xc:'#b03a2e' \
  \( -size 600x400 xc:white -fill black -draw "ellipse 160,200 110,90 0,360" -draw "rectangle 340,90 530,310" \) \
  -alpha off -compose CopyOpacity -composite "$work/frame.png"
convert -size 600x400 xc:'#b03a2e' "$work/opaque.png"

maker=$work/maker/orvantis
"$maker" --new-template "$work/frame.png" --name "Two windows" --category "My frames" >"$work/out" 2>"$work/err" ||
  fail "--new-template failed: $(cat "$work/err")"
made=$work/maker/res/template/My\ frames/Two\ windows
[[ -s $made/this.tpl && -s $made/thumb.jpg ]] || fail "no template in $made"
[[ $(identify -format '%w x %h' "$made/thumb.jpg") == "100 x 70" ]] || fail "the thumbnail is not 100 x 70"

# Asked again, the name exists: refused unless --replace.
status=0; "$maker" --new-template "$work/frame.png" --name "Two windows" --category "My frames" 2>"$work/err" || status=$?
(( status == 1 )) && grep -q "exists already" "$work/err" || fail "an existing name gave status $status: $(cat "$work/err")"
"$maker" --new-template "$work/frame.png" --name "Two windows" --category "My frames" --replace >/dev/null ||
  fail "--replace did not replace"
status=0; "$maker" --new-template "$work/opaque.png" --name x --category y 2>"$work/err" || status=$?
(( status == 1 )) && grep -q "no transparent parts" "$work/err" || fail "an opaque picture gave status $status"
status=0; "$maker" --new-template "$work/frame.png" --name x 2>/dev/null || status=$?
(( status == 2 )) || fail "a missing --category gave status $status"

"$maker" --export-template "$work/maker/res/template/My frames" -o "$work/frames.zip" >"$work/out" 2>"$work/err" ||
  fail "--export-template failed: $(cat "$work/err")"
grep -q "Exported 1 template" "$work/out" || fail "the export said: $(cat "$work/out")"
"$work/fresh/orvantis" --import "$work/frames.zip" >"$work/out" 2>"$work/err" || fail "--import failed: $(cat "$work/err")"
arrived=$work/fresh/res/template/My\ frames/Two\ windows
for file in this.tpl thumb.jpg; do
  cmp -s "$made/$file" "$arrived/$file" || fail "$file arrived changed"
done
(( failed == 0 )) && echo "template command line ok"
exit $failed

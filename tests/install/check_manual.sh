#!/usr/bin/env bash
# Checks that the manual stands alone and that its links hold: every #anchor
# names an id of the page, every picture is an inline PNG that decodes, and
# nothing is fetched from elsewhere (no external pictures, styles or scripts).
#   check_manual.sh <Orvantis.html>
set -euo pipefail
manual=$1
[[ -s $manual ]] || { echo "manual: $manual is missing or empty"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "manual: $*"; failed=1; }

{ grep -o 'id="[^"]*"' "$manual" || true; } | sed 's/^id="//; s/"$//' | sort >"$work/ids"
[[ -s $work/ids ]] || fail "no anchors at all"
duplicates=$(uniq -d "$work/ids")
[[ -z $duplicates ]] || fail "ids given twice: $duplicates"
links=$({ grep -o 'href="#[^"]*"' "$manual" || true; } | sed 's/^href="#//; s/"$//' | sort -u)
[[ -n $links ]] || fail "no internal links at all"
for link in $links; do
  grep -qxF "$link" "$work/ids" || fail "link #$link leads nowhere"
done

# Links to other files would break once the manual is copied alone.
others=$(grep -oE 'href="[^"#][^"]*"' "$manual" | grep -vE '^href="(https?://|mailto:)' || true)
[[ -z $others ]] || fail "links to files beside the manual: $others"

# Every reference to another file or address other than a plain hyperlink.
grep -oE '(src|srcset|data|poster)="[^"]*"|<link[^>]*>|<script[^>]*src|url\(' "$manual" |
  grep -v '^src="data:image/png;base64,' >"$work/foreign" || true
[[ ! -s $work/foreign ]] || fail "external resources: $(cut -c1-80 "$work/foreign" | tr '\n' ' ')"
grep -q '@SHOT:\|@VERSION@' "$manual" && fail "placeholders left unfilled"

pictures=0
while read -r data; do
  pictures=$((pictures + 1))
  printf '%s' "${data#src=\"data:image/png;base64,}" | tr -d '"' | base64 -d >"$work/picture.png" 2>/dev/null ||
    { fail "picture $pictures is not valid base64"; continue; }
  [[ $(head -c 8 "$work/picture.png" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] ||
    fail "picture $pictures is not a PNG"
  (( $(stat -c %s "$work/picture.png") > 100 )) || fail "picture $pictures is empty"
done < <(grep -o 'src="data:image/png;base64,[^"]*"' "$manual" || true)
(( pictures > 0 )) || fail "no pictures"
(( failed == 0 )) && echo "manual: $(wc -l <"$work/ids") anchors, $(wc -w <<<"$links") anchors linked, $pictures pictures"
exit $failed

#!/usr/bin/env bash
# Installs the build into a live prefix (no DESTDIR, so the install rebuilds
# that prefix's MIME database) and checks the card file as a desktop without
# a session sees it: xdg-mime names the type from the file name and from the
# content, while other ZIP files stay ZIP files; file(1) still calls it a ZIP;
# the installed thumbnailer, run as a file manager runs it, writes a 128-px
# PNG for a card and fails for a ZIP without a preview (without orvantis-render,
# a build that leaves it out, that part prints SKIP-THUMBNAILER instead).
#   card_file_type.sh <build folder> <1 when orvantis-render is built>
set -euo pipefail
build=$1 render=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix files="$work/my files"
mkdir -p "$files"
env -u DESTDIR cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; exit 1; }
failed=0
fail() { echo "card file type: $*"; failed=1; }
card=application/x-orvantis-card

[[ -f $prefix/share/mime/mime.cache && -f $prefix/share/mime/packages/orvantis-card.xml ]] ||
  fail "the install did not rebuild $prefix/share/mime"
# xdg-mime as it runs outside any desktop session, reading only the prefix
# and the system's database.
query() {
  env -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID XDG_CURRENT_DESKTOP=X-Generic \
    XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$prefix/share:/usr/share" xdg-mime query filetype "$1"
}

# A card: the renderer's own when it writes them, else one laid out by hand
# (a stored "mimetype" entry first, then the card and its preview).
header_ok() {
  python3 - "$1" "$card" <<'EOF'
import sys
data = open(sys.argv[1], 'rb').read(38 + len(sys.argv[2]))
sys.exit(0 if data[:4] == b'PK\x03\x04' and data[30:38] == b'mimetype' and data[38:] == sys.argv[2].encode() else 1)
EOF
}
source="python3"
if (( render )) && "$prefix/bin/orvantis-render" --text Card -o "$files/card.orvantis" >"$work/render.log" 2>&1; then
  header_ok "$files/card.orvantis" || fail "orvantis-render -o card.orvantis wrote no card file"
  source="orvantis-render"
else
  rm -f "$files/card.orvantis"
  python3 - "$files" "$card" <<'EOF'
import struct, sys, zipfile, zlib
folder, media_type = sys.argv[1], sys.argv[2]
def png(width, height):
    chunk = lambda kind, data: (struct.pack('>I', len(data)) + kind + data +
                                struct.pack('>I', zlib.crc32(kind + data)))
    rows = b''.join(b'\0' + bytes([200, 120, 40]) * width for _ in range(height))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))
with zipfile.ZipFile(folder + '/card.orvantis', 'w') as card:
    card.writestr(zipfile.ZipInfo('mimetype'), media_type, compress_type=zipfile.ZIP_STORED)
    card.writestr('card.json', '{"texts": ["Card"]}', compress_type=zipfile.ZIP_DEFLATED)
    card.writestr('Thumbnails/thumbnail.png', png(256, 180), compress_type=zipfile.ZIP_DEFLATED)
EOF
fi
python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1], 'w').writestr('a.txt', 'a')" "$files/plain.zip"
cp "$files/card.orvantis" "$files/card.zip"
cp "$files/card.orvantis" "$files/card"
cp "$files/plain.zip" "$files/plain"

# By name and content, by name alone (an empty file), by content alone, and
# under a .zip name, which may keep the card type (its content) or fall back
# to the ZIP type, but nothing else.
: >"$files/empty.orvantis"
for named in card.orvantis empty.orvantis; do
  [[ $(query "$files/$named") == "$card" ]] || fail "$named is '$(query "$files/$named")'"
done
[[ $(query "$files/card") == "$card" ]] || fail "a card without an extension is '$(query "$files/card")'"
type=$(query "$files/card.zip") || true
[[ $type == "$card" || $type == application/zip ]] || fail "card.zip is '$type'"
for other in plain plain.zip; do
  [[ $(query "$files/$other") == application/zip ]] || fail "the ZIP file $other is '$(query "$files/$other")'"
done
file -b "$files/card.orvantis" | grep -q '^Zip' || fail "file(1) says '$(file -b "$files/card.orvantis")'"

# The thumbnailer as a file manager runs it: TryExec on PATH, the Exec line's
# words with %s, %i and %o replaced.
thumbnailer=$prefix/share/thumbnailers/orvantis.thumbnailer
entry() { sed -n '/^\[Thumbnailer Entry\]/,/^\[/{s/^'"$1"'=//p}' "$thumbnailer"; }
[[ ";$(entry MimeType)" == *";$card;"* ]] || fail "the thumbnailer does not take $card"
thumbnail() {  # <size> <input> <output>
  local word words args=()
  read -ra words <<<"$(entry Exec)"
  for word in "${words[@]}"; do
    word=${word//%s/$1} word=${word//%i/$2} word=${word//%o/$3}
    args+=("$word")
  done
  PATH=$prefix/bin:$PATH "${args[@]}" 2>"$work/thumbnailer.log"
}
if ! PATH=$prefix/bin:$PATH command -v "$(entry TryExec)" >/dev/null; then
  (( render == 0 )) || fail "$(entry TryExec) is built but not installed"
  echo "SKIP-THUMBNAILER: $(entry TryExec) is not built"
else
  thumbnail 128 "$files/card.orvantis" "$files/thumb.png" || true
  # The preview's longer side becomes 128 px (or stays smaller), the shape kept.
  [[ -s $files/thumb.png ]] || { cat "$work/thumbnailer.log"; fail "the thumbnailer wrote nothing for a card"; }
  [[ ! -s $files/thumb.png ]] || python3 - "$files/card.orvantis" "$files/thumb.png" <<'EOF' || fail "no scaled preview"
import struct, sys, zipfile
def size(data, what):
    if data[:8] != b'\x89PNG\r\n\x1a\n' or data[12:16] != b'IHDR':
        sys.exit(f'{what} is no PNG')
    return struct.unpack('>II', data[16:24])
w0, h0 = size(zipfile.ZipFile(sys.argv[1]).read('Thumbnails/thumbnail.png'), 'the stored preview')
w, h = size(open(sys.argv[2], 'rb').read(), 'the thumbnail')
longer = max(w, h)
expected = (longer, round(h0 * longer / w0)) if w0 >= h0 else (round(w0 * longer / h0), longer)
if not min(128, max(w0, h0)) <= longer <= 128 or abs(w - expected[0]) > 1 or abs(h - expected[1]) > 1:
    sys.exit(f'a {w} x {h} thumbnail of a {w0} x {h0} preview')
EOF
  if thumbnail 128 "$files/plain.zip" "$files/plain.png"; then
    fail "the thumbnailer succeeded for a ZIP without a preview"
  fi
  [[ -s $work/thumbnailer.log ]] || fail "the thumbnailer failed without a message"
fi

(( failed == 0 )) && echo "card file type: $card by name and content (card from $source)"
exit $failed

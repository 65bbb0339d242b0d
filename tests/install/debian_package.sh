#!/usr/bin/env bash
# Makes the Debian package from the build, unpacks it into a temporary root
# and runs the programs from there through their bin/ links (the renderer
# makes one card); the package must declare the libraries' packages and the
# fonts it needs.
#   debian_package.sh <build folder> <1 when orvantis-render is built>
set -euo pipefail
build=$1 render=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(find "$work/out" -maxdepth 1 -name 'orvantis_*.deb' 2>/dev/null || true)
[[ -n $deb ]] || { echo "no package made"; cat "$work/cpack.log"; exit 1; }
failed=0
fail() { echo "package: $*"; failed=1; }

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libjpeg62-turbo libpng16-16 libtiff6 libopenjp2-7 libminizip1 liblcms2-2 qt6-qpa-plugins \
              fonts-liberation fonts-dejavu-core; do
  grep -q "\b$needed\b" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

dpkg-deb -x "$deb" "$work/root"
# The card file's media type, icon and thumbnailer; the MIME database itself
# is shared-mime-info's, rebuilt by its trigger, so no file of it ships.
for file in share/mime/packages/orvantis-card.xml share/thumbnailers/orvantis.thumbnailer \
            share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/mimetypes/application-x-orvantis-card.png; do
  [[ -f $work/root/usr/$file ]] || fail "no $file"
done
mime=$(cd "$work/root/usr/share/mime" 2>/dev/null && find . -type f | sort | paste -sd ' ') || true
[[ $mime == ./packages/orvantis-card.xml ]] || fail "share/mime holds more than the card type's package: $mime"
version=$("$work/root/usr/bin/orvantis" --version) || fail "orvantis --version failed"
[[ $version == "orvantis "* ]] || fail "orvantis --version printed '$version'"
[[ $(dpkg-deb -f "$deb" Version) == "${version#orvantis }" ]] ||
  fail "package version $(dpkg-deb -f "$deb" Version) is not the program's ($version)"
if (( render )); then
  "$work/root/usr/bin/orvantis-render" --help >/dev/null || fail "orvantis-render --help failed"
  # One card from the unpacked program's own res/, without a window system.
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/orvantis-render" --text "Hello" \
    -o "$work/card.png" 2>"$work/render.log" || { cat "$work/render.log"; fail "orvantis-render of one card failed"; }
  [[ $(head -c 8 "$work/card.png" 2>/dev/null | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] ||
    fail "orvantis-render wrote no PNG card"
fi
(( failed == 0 )) && echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
exit $failed

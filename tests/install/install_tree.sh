#!/usr/bin/env bash
# Installs the build into a temporary root as a package would (prefix /usr,
# DESTDIR) and checks the tree: the program, its res/ and the manual in one
# folder, bin/ links to them, the desktop files (entry, metadata, icons, the
# card file's media type and thumbnailer), the manual pages, the copyright
# file and the changelog; then runs the program
# through its link, which must find its res/ beside its real file.
#   install_tree.sh <build folder> <1 when orvantis-render is built>
set -euo pipefail
build=$1 render=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr
failed=0
fail() { echo "installed tree: $*"; failed=1; }

expected=(
  lib/orvantis/orvantis lib/orvantis/Orvantis.html lib/orvantis/res/skins/this.tpl lib/orvantis/res/skins/title.jpg
  lib/orvantis/res/skins/title@2x.jpg
  share/applications/orvantis.desktop share/metainfo/orvantis.metainfo.xml
)
expected+=(share/mime/packages/orvantis-card.xml share/thumbnailers/orvantis.thumbnailer)
expected+=(share/man/man1/orvantis.1.gz share/doc/orvantis/copyright share/doc/orvantis/changelog.gz)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/orvantis.png"
             "share/icons/hicolor/${size}x${size}/mimetypes/application-x-orvantis-card.png")
done
programs=(orvantis)
(( render )) && programs+=(orvantis-render) &&
  expected+=(lib/orvantis/orvantis-render share/man/man1/orvantis-render.1.gz)
for file in "${expected[@]}"; do [[ -f $usr/$file ]] || fail "no $file"; done
for program in "${programs[@]}"; do
  [[ -L $usr/bin/$program && $(readlink "$usr/bin/$program") == ../lib/orvantis/$program ]] ||
    fail "bin/$program is not a relative link to lib/orvantis/$program"
done
[[ -n $(find "$usr/lib/orvantis/res/template" -name this.tpl) ]] || fail "no template library"
cmp -s "$build/Orvantis.html" "$usr/lib/orvantis/Orvantis.html" || fail "the manual differs from the build's"
# An icon of each size is as large as its folder says.
for icon in apps/orvantis mimetypes/application-x-orvantis-card; do
  for size in 16 256; do
    identify -format '%w x %h' "$usr/share/icons/hicolor/${size}x${size}/$icon.png" | grep -qx "$size x $size" ||
      fail "the ${size}x${size} $icon icon has another size"
  done
done
# A staged tree carries the card type's package file alone: the database
# built from it belongs to the system, which rebuilds it on installation.
mime=$(cd "$usr/share/mime" && find . -type f | sort | paste -sd ' ') || true
[[ $mime == ./packages/orvantis-card.xml ]] || fail "share/mime holds more than the card type's package: $mime"
stray=$(find "$usr" -mindepth 1 -maxdepth 1 ! -name bin ! -name lib ! -name share)
[[ -z $stray ]] || fail "unexpected entries: $stray"

version=$("$usr/bin/orvantis" --version) || fail "orvantis --version failed"
[[ $version == "orvantis "* ]] || fail "orvantis --version printed '$version'"
(( render )) && { "$usr/bin/orvantis-render" --help >/dev/null || fail "orvantis-render --help failed"; }

# Imports land in the program's own res/ while it is writable: started
# through bin/, the program must find lib/orvantis/res, not bin/res.
package=$root/probe.zip
mkdir -p "$root/pkg/template/Checks/Probe"
cp "$usr/lib/orvantis/res/skins/this.tpl" "$usr/lib/orvantis/res/skins/thumb.jpg" "$root/pkg/template/Checks/Probe/"
(cd "$root/pkg" && cmake -E tar cf "$package" --format=zip template)
XDG_DATA_HOME=$root/user "$usr/bin/orvantis" --import "$package" >/dev/null || fail "the import through bin/ failed"
[[ -f $usr/lib/orvantis/res/template/Checks/Probe/this.tpl ]] || fail "the import did not reach lib/orvantis/res"
[[ ! -e $usr/bin/res && ! -e $root/user/orvantis ]] || fail "the import went elsewhere"

(( failed == 0 )) && echo "installed tree: ${#expected[@]} files, ${#programs[@]} links, $version"
exit $failed

#!/usr/bin/env bash
# Makes the Debian package from the build, unpacks it into a temporary root
# and runs the programs from there through their bin/ links (the renderer
# makes one card); the package must declare the libraries' packages and the
# fonts it needs. lintian must find nothing at error or warning level (its
# informational and pedantic notes are allowed); the changelog must name the
# package's version, the copyright file must be machine-readable, and each
# program's manual page must render without a warning from man and name
# every option of its --help, with the sections that --help lacks.
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
for needed in libqt6widgets6 libjpeg62-turbo libpng16-16 libtiff6 libopenjp2-7 libminizip1 liblcms2-2 libavif15 libheif1 \
              qt6-qpa-plugins fonts-liberation fonts-dejavu-core; do
  grep -q "\b$needed\b" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in fonts-noto-color-emoji fonts-noto-cjk; do
  grep -q "\b$wanted\b" <<<"$recommends" || fail "Recommends lacks $wanted: $recommends"
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

# lintian's exit status and its E:/W: lines both count: an internal failure
# prints no tag at all.
if ! lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || grep -qE '^[EW]: ' "$work/lintian.log"; then
  fail "lintian reports errors or warnings, or failed:"
  grep -v '^N:' "$work/lintian.log"
fi

doc=$work/root/usr/share/doc/orvantis
gzip -dc "$doc/changelog.gz" >"$work/changelog" || fail "no readable changelog.gz"
[[ $(dpkg-parsechangelog -l "$work/changelog" -S Version 2>/dev/null) == "$(dpkg-deb -f "$deb" Version)" ]] ||
  fail "the changelog's newest entry is not for $(dpkg-deb -f "$deb" Version): $(head -n 1 "$work/changelog")"
# DEP-5: the format line first, a Files: * paragraph, and each license that a
# Files paragraph names written out, in that paragraph or in one of its own.
[[ $(head -n 1 "$doc/copyright") == 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ]] ||
  fail "the copyright file is not machine-readable: $(head -n 1 "$doc/copyright")"
unwritten=$(awk '
  /^$/ { files = 0; next }
  /^Files:/ { files = 1; if ($2 == "*") all = 1 }
  /^License:/ { name = $2; if (files) { used[name] = 1; last = name } else written[name] = 1; next }
  /^ / && last != "" { written[last] = 1 }
  { last = "" }
  END { if (!all) print "Files: *"; for (name in used) if (!(name in written)) print name }' "$doc/copyright")
[[ -z $unwritten ]] || fail "the copyright file lacks: $unwritten"

programs=(orvantis)
(( render )) && programs+=(orvantis-render)
for program in "${programs[@]}"; do
  page=$work/root/usr/share/man/man1/$program.1.gz
  [[ -f $page ]] || { fail "no manual page share/man/man1/$program.1.gz"; continue; }
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot show $program.1.gz"
  [[ -z $warnings ]] || fail "man warns about $program.1.gz: $warnings"
  # Wide enough that no option name is broken.
  text=$(MANWIDTH=200 man -l "$page" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES "SEE ALSO"; do
    grep -qx "$section" <<<"$text" || fail "$program.1 has no $section section"
  done
  help=$("$work/root/usr/bin/$program" --help)
  for option in $(grep -oE '(^|[ [])--?[a-z][a-z-]*' <<<"$help" | tr -d ' [' | sort -u); do
    grep -qe "$option\b" <<<"$text" || fail "$program.1 lacks $option of $program --help"
  done
  # Each option that --help describes ("  --out DIR  where ...") is an entry of OPTIONS.
  options=$(sed -n '/^OPTIONS$/,/^EXIT STATUS$/p' <<<"$text")
  while IFS= read -r term; do
    awk -v term="       $term" 'index($0, term) == 1 && substr($0, length(term) + 1, 1) ~ /^( |)$/ { found = 1 }
                                END { exit !found }' <<<"$options" || fail "OPTIONS of $program.1 lack '$term'"
  done < <(awk '/^  -/ { line = substr($0, 3); cut = index(line, "  "); print cut ? substr(line, 1, cut - 1) : line }' \
               <<<"$help")
done
if (( render )); then
  text=$(MANWIDTH=200 man -l "$work/root/usr/share/man/man1/orvantis-render.1.gz" 2>/dev/null | sed -n '/^EXAMPLES$/,/^SEE ALSO$/p')
  # shellcheck disable=SC2016 # the lines as printed, $ and all
  for line in '#SBATCH --array=0-9' '--shard "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT"' \
              'completion mode Indexed' '--shard "$JOB_COMPLETION_INDEX/10"'; do
    grep -qF -- "$line" <<<"$text" || fail "the EXAMPLES of orvantis-render.1 lack the job array line $line"
  done
fi

(( failed == 0 )) && echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
exit $failed

#!/usr/bin/env bash
# tools/man/make_manpage.py keeps the build machine out of a manual page: a
# --help that names the CPUs it may use stops the page, until a --sub takes
# that out. Two CPUs are needed to tell (skipped on one).
#   make_manpage.sh <source folder>
set -euo pipefail
source=$1
(( $(nproc) > 1 )) || { echo "one CPU: nothing to compare"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/fake" <<'END'
#!/bin/sh
printf 'usage: fake [-j N]\n\nRenders nothing.\n  -j N  N at a time (default: %s here)\n' "$(nproc)"
END
chmod +x "$work/fake"
printf '.SH "SEE ALSO"\nnothing\n' >"$work/extra.roff"
page() {
  python3 "$source/tools/man/make_manpage.py" --program "$work/fake" --name "a test" --version "fake 1" \
    --changelog "$source/tools/package/changelog" --extra "$work/extra.roff" -o "$work/fake.1" "$@"
}
failed=0
if page 2>"$work/error"; then
  echo "a page naming this machine's $(nproc) CPUs was made"; failed=1
elif ! grep -q "depends on the machine" "$work/error"; then
  cat "$work/error"; failed=1
fi
page --sub ': [0-9]+ here' '' || { echo "no page with the CPUs taken out"; failed=1; }
grep -qx 'N at a time (default)' "$work/fake.1" 2>/dev/null || { echo "the -j entry is not as substituted"; failed=1; }
gzip -dc "$work/fake.1.gz" 2>/dev/null | cmp -s - "$work/fake.1" || { echo "fake.1.gz is not fake.1"; failed=1; }
(( failed == 0 )) && echo "make_manpage: a machine's CPUs kept out of the page"
exit $failed

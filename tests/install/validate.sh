#!/usr/bin/env bash
# The files a desktop reads: the desktop entry and the metainfo pass Debian's
# validators and agree on one id, the man pages format without a warning, and
# the icon's bitmaps have their sizes.
#   validate.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source="$1" build="$2"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

desktop="$source/data/org.qd40.control.desktop"
metainfo="$build/data/org.qd40.control.metainfo.xml"

said="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $said"
[ -z "$said" ] || fail "desktop-file-validate has remarks: $said"
said="$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1)" ||
  fail "appstreamcli validate: $said"
grep -q '^Icon=org.qd40.control$' "$desktop" || fail "the desktop entry's icon is not the id"
grep -q '^Exec=qd40-control$' "$desktop" || fail "the desktop entry does not start qd40-control"
grep -q '<id>org.qd40.control</id>' "$metainfo" || fail "the metainfo's id is not org.qd40.control"
grep -q '<launchable type="desktop-id">org.qd40.control.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch the desktop entry"
grep -q '<release version="1.40"' "$metainfo" || fail "the metainfo's release is not 1.40"
[ "$(dpkg-parsechangelog -l "$source/data/debian/changelog" -S Version)" = 1.40 ] ||
  fail "the changelog's last entry is not for 1.40"
grep -q '<image[^>]*>https://' "$metainfo" || fail "the metainfo has no screenshot"

for page in qd40-control.1 qd40-sim.1; do
  said="$(zcat "$build/data/man/$page.gz" | groff -Tutf8 -man -ww -z 2>&1)"
  [ -z "$said" ] || fail "$page: $said"
  lexgrog "$build/data/man/$page.gz" >/dev/null || fail "$page: no NAME line for whatis"
  for section in SYNOPSIS OPTIONS "EXIT STATUS" EXAMPLES FILES; do
    zcat "$build/data/man/$page.gz" | grep -q "^\.SH \"\?$section" || fail "$page has no $section"
  done
done
zcat "$build/data/man/qd40-control.1.gz" | grep -q '^\.SH ENVIRONMENT' ||
  fail "qd40-control.1 has no ENVIRONMENT"
zcat "$build/data/man/qd40-control.1.gz" | grep -q 'qd40-control 1.40' ||
  fail "qd40-control.1 does not carry the version"

for size in 16 22 24 32 48 128 256; do
  file "$source/data/icons/org.qd40.control-$size.png" | grep -q "PNG image data, $size x $size," ||
    fail "org.qd40.control-$size.png is not $size by $size"
done
grep -q 'viewBox="0 0 48 48"' "$source/data/icons/org.qd40.control.svg" || fail "the SVG has no view box"

[ "$failures" -eq 0 ] && echo "all desktop files valid"
exit "$failures"

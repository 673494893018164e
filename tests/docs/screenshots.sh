#!/usr/bin/env bash
# scripts/screenshots makes the README's pictures: three of the window's
# client area at its heights (5350, 7200 and 9100 twips less the 370-twip
# frame, at 15 twips a pixel, all 9495 twips wide), and one of the device
# chooser.
#   screenshots.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source="$1" build="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
QD40_BUILD_DIR="$build" "$source/scripts/screenshots" "$scratch" || exit 1
failures=0
for shot in "5350 633 x 332" "7200 633 x 455" "9100 633 x 582"; do
  read -r twips size <<<"$shot"
  file "$scratch/first-look-$twips.png" | grep -q "PNG image data, $size," ||
    { echo "FAIL: first-look-$twips.png: $(file -b "$scratch/first-look-$twips.png")" >&2; failures=$((failures + 1)); }
done
file "$scratch/chooser.png" | grep -q "PNG image data" ||
  { echo "FAIL: chooser.png: $(file -b "$scratch/chooser.png")" >&2; failures=$((failures + 1)); }
[ "$(ls "$scratch" | wc -l)" -eq 4 ] || { echo "FAIL: $(ls "$scratch")" >&2; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "four screenshots of the right sizes"
exit "$failures"

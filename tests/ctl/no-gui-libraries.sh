#!/bin/sh
# qd40ctl runs where there is no display: it must not load Qt's GUI libraries.
# Usage: no-gui-libraries.sh PROGRAM
set -eu
libraries=$(ldd "$1")
echo "$libraries" | grep -q 'libQt6Core' || { echo "ldd shows no Qt Core: $libraries"; exit 1; }
if echo "$libraries" | grep -E 'libQt6(Widgets|Gui)'; then
  echo "$1 loads Qt's GUI libraries"
  exit 1
fi

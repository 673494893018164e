#!/usr/bin/env bash
# The layers beneath the panel, and qd40ctl, compile without one header of Qt
# Widgets or Qt Gui, however it is spelt: <QWidget> finds no file there, but
# <QtWidgets/QWidget> would, since Qt's root include folder comes with Qt Core.
# Reads the headers the compiler recorded for every object, so it needs a built
# tree: ninja keeps them in its log, the Makefile generators in a .d file beside
# each object.
set -euo pipefail
build="$1"
layers='^CMakeFiles/(qd40_(protocol|toolkit|config|doctor|wording|line|net|log|ctl|bus)|qd40ctl|qd40-log-writer)\.dir/'
# One line per object and header: "object header".
recorded() {
  if [ -f "$build/build.ninja" ]; then
    ninja -C "$build" -t deps | awk '/^[^ \t]/ { object = $1 } /^[ \t]/ { print object, $1 }'
  else
    (cd "$build" && find CMakeFiles -name '*.o.d' -print0 | xargs -0r awk '
      FNR == 1 { object = FILENAME; sub(/\.d$/, "", object) }
      { for (i = 1; i <= NF; ++i) if ($i != "\\" && $i !~ /:$/) print object, $i }')
  fi
}
deps="$(recorded | grep -E "$layers" || true)"
objects="$(printf '%s\n' "$deps" | awk 'NF { print $1 }' | sort -u | grep -c . || true)"
if [ "$objects" -eq 0 ]; then
  echo "no object of the lower layers is recorded in $build"
  exit 1
fi
found="$(printf '%s\n' "$deps" | grep -E '/Qt(Widgets|Gui)/' || true)"
if [ -n "$found" ]; then
  echo "headers of the window toolkit beneath the panel:"
  printf '%s\n' "$found" | head -20
  exit 1
fi
echo "$objects objects of the layers beneath the panel and of qd40ctl: no Qt Widgets or Gui header"

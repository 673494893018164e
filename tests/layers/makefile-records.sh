#!/usr/bin/env bash
# The layer check reads a Makefile tree's records too: the .d file the
# compiler writes beside each object. A tree with a Qt Widgets header beneath
# the panel fails it, one with Qt Core headers only passes, and one with no
# record of the lower layers fails rather than pass unread.
#   makefile-records.sh CHECK
set -uo pipefail
check="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# tree NAME HEADER...: a Makefile tree whose one doctor object includes HEADERs.
tree() {
  local dir="$scratch/$1"
  shift
  mkdir -p "$dir/CMakeFiles/qd40_doctor.dir/src/doctor" "$dir/CMakeFiles/qd40_panel.dir/src/panel"
  touch "$dir/Makefile"
  {
    echo "CMakeFiles/qd40_doctor.dir/src/doctor/LineCheck.cpp.o: \\"
    echo " /src/doctor/LineCheck.cpp /src/doctor/LineCheck.h \\"
    printf ' %s \\\n' "$@"
    echo " /usr/include/c++/12/string"
  } >"$dir/CMakeFiles/qd40_doctor.dir/src/doctor/LineCheck.cpp.o.d"
  # The panel may include what it likes.
  echo "CMakeFiles/qd40_panel.dir/src/panel/PanelWindow.cpp.o: \\
 /usr/include/x86_64-linux-gnu/qt6/QtWidgets/qwidget.h" \
    >"$dir/CMakeFiles/qd40_panel.dir/src/panel/PanelWindow.cpp.o.d"
  echo "$dir"
}

clean="$(tree clean /usr/include/x86_64-linux-gnu/qt6/QtCore/qstring.h)"
said="$("$check" "$clean" 2>&1)" || fail "a tree with Qt Core headers alone failed: $said"
[[ "$said" == "1 objects of"* ]] || fail "one object should be read: $said"

widgets="$(tree widgets /usr/include/x86_64-linux-gnu/qt6/QtGui/qfont.h)"
said="$("$check" "$widgets" 2>&1)" && fail "a Qt Gui header beneath the panel passed: $said"
[[ "$said" == *"LineCheck.cpp.o /usr/include/x86_64-linux-gnu/qt6/QtGui/qfont.h"* ]] ||
  fail "the header and its object are not named: $said"

mkdir -p "$scratch/empty/CMakeFiles"
said="$("$check" "$scratch/empty" 2>&1)" && fail "a tree without records passed: $said"

[ "$failures" -eq 0 ] && echo "the layer check reads Makefile trees"
exit "$failures"

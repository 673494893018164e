#!/usr/bin/env bash
# scripts/package makes a .deb in its own build tree (build-package/ of the
# source, built once and then kept up to date); lintian --pedantic finds
# nothing in it; unpacked into a scratch root it holds every installed file,
# depends on the Qt libraries it links, and its panel answers --version and
# refuses a bad option with no display at all.
#   package.sh SOURCE_DIR
set -uo pipefail
source="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

deb="$(QD40_PACKAGE_BUILD_DIR="$source/build-package" "$source/scripts/package" "$scratch" | tail -n 1)"
[ -f "$deb" ] || { echo "FAIL: scripts/package made no .deb (said: $deb)" >&2; exit 1; }
[ "$(basename "$deb")" = "qd40-control_1.40_$(dpkg --print-architecture).deb" ] ||
  fail "unexpected package name $(basename "$deb")"

# Every tag lintian gives, errors and warnings down to pedantic remarks, fails.
# A tag the package must carry would be overridden in the package itself
# (/usr/share/lintian/overrides/qd40-control), with its reason beside it.
said="$(lintian --pedantic --display-info --display-experimental --tag-display-limit 0 "$deb" 2>&1 |
  grep -v '^running with root privileges is not recommended!$')"
[ -z "$said" ] || fail "lintian: $said"
[ "$(dpkg-deb -f "$deb" Section)" = comm ] || fail "the section is not comm"
[[ "$(dpkg-deb -f "$deb" Maintainer)" == *" <"*@*">" ]] || fail "the maintainer has no address"

depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libqt6serialport6 libc6; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

dpkg-deb -x "$deb" "$scratch/root"
for file in usr/bin/qd40-control usr/bin/qd40-sim usr/bin/qd40ctl \
  usr/libexec/qd40-control/qd40-log-writer \
  usr/share/applications/org.qd40.control.desktop \
  usr/share/metainfo/org.qd40.control.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/org.qd40.control.svg \
  usr/share/icons/hicolor/16x16/apps/org.qd40.control.png \
  usr/share/icons/hicolor/22x22/apps/org.qd40.control.png \
  usr/share/icons/hicolor/24x24/apps/org.qd40.control.png \
  usr/share/icons/hicolor/32x32/apps/org.qd40.control.png \
  usr/share/icons/hicolor/48x48/apps/org.qd40.control.png \
  usr/share/icons/hicolor/128x128/apps/org.qd40.control.png \
  usr/share/icons/hicolor/256x256/apps/org.qd40.control.png \
  usr/share/man/man1/qd40-control.1.gz usr/share/man/man1/qd40-sim.1.gz \
  usr/share/man/man1/qd40ctl.1.gz usr/share/bash-completion/completions/qd40ctl \
  usr/share/bash-completion/completions/qd40-control \
  usr/share/doc/qd40-control/copyright usr/share/doc/qd40-control/changelog.gz \
  usr/share/doc/qd40-control/README.md.gz \
  usr/lib/systemd/system/qd40-mqtt.service usr/lib/sysusers.d/qd40-mqtt.conf \
  etc/qd40/mqtt.conf etc/qd40/mqtt-projectors; do
  [ -f "$scratch/root/$file" ] || fail "the package lacks /$file"
done

# No display, no platform: the installed programs must answer before Qt
# would look for one.
bare=(env -i PATH=/usr/bin:/bin HOME="$scratch")
said="$("${bare[@]}" "$scratch/root/usr/bin/qd40-control" --version 2>&1)"
status=$?
[ "$status" -eq 0 ] && [ "$said" = "qd40-control 1.40" ] ||
  fail "qd40-control --version gave status $status: $said"
said="$("${bare[@]}" "$scratch/root/usr/bin/qd40-control" --bogus 2>&1 >/dev/null)"
status=$?
[ "$status" -eq 2 ] && [[ "$said" == *"Usage: qd40-control"* ]] ||
  fail "qd40-control --bogus gave status $status: $said"
said="$("${bare[@]}" "$scratch/root/usr/bin/qd40-sim" --version 2>&1)"
[ "$said" = "qd40-sim 1.40" ] || fail "qd40-sim --version said: $said"
said="$("${bare[@]}" "$scratch/root/usr/bin/qd40ctl" --version 2>&1)"
[ "$said" = "qd40ctl 1.40" ] || fail "qd40ctl --version said: $said"
said="$(MANWIDTH=80 man -P cat -l "$scratch/root/usr/share/man/man1/qd40ctl.1.gz" 2>&1)"
[[ "$said" == *"lamp_hours"* && "$said" == *"EXIT STATUS"* ]] || fail "man qd40ctl: $said"
said="$(MANWIDTH=80 man -P cat -l "$scratch/root/usr/share/man/man1/qd40-control.1.gz" 2>&1)"
[[ "$said" == *"--com1 path"* && "$said" == *"QD40_COM1"* ]] || fail "man qd40-control: $said"

[ "$failures" -eq 0 ] && echo "package $(basename "$deb") installs and runs"
exit "$failures"

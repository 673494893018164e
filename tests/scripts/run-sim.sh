#!/usr/bin/env bash
# scripts/run --sim gives each port a simulated projector of its own: the
# panel it starts names a pseudo-terminal for COM1 and for COM2, so choosing
# COM2 never opens a real serial port, and both simulators end with the panel.
#   run-sim.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source="$1" build="$2"
scratch="$(mktemp -d)"
runner=""
cleanup() {
  [ -n "$runner" ] && kill "$runner" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

XDG_RUNTIME_DIR="$scratch" XDG_CONFIG_HOME="$scratch/config" QT_QPA_PLATFORM=offscreen \
  QD40_BUILD_DIR="$build" "$source/scripts/run" --sim >"$scratch/run.log" 2>&1 &
runner=$!

# scripts/run builds what is out of date first, which may take minutes.
panel=""
for _ in $(seq 1 3000); do
  panel="$(pgrep -P "$runner" -x qd40-control || true)"
  [ -n "$panel" ] && break
  kill -0 "$runner" 2>/dev/null || fail "scripts/run ended: $(cat "$scratch/run.log")"
  sleep 0.1
done
[ -n "$panel" ] || fail "no panel started: $(cat "$scratch/run.log")"

mapfile -d '' argv <"/proc/$panel/cmdline"
for port in com1 com2; do
  device=""
  for i in "${!argv[@]}"; do [ "${argv[$i]}" = "--$port" ] && device="${argv[$((i + 1))]}"; done
  [ -n "$device" ] || fail "the panel was started without --$port: ${argv[*]}"
  target="$(readlink -f "$device")"
  [[ "$target" == /dev/pts/* && -c "$target" ]] ||
    fail "${port^^} is $device ($target), not a simulator's pseudo-terminal"
done
sims="$(pgrep -P "$runner" -x qd40-sim | wc -l)"
[ "$sims" -eq 2 ] || fail "$sims simulators run, not 2"

# The panel ends as at logout; the script then ends both simulators, which
# remove their links.
kill -TERM "$panel"
for _ in $(seq 1 100); do kill -0 "$runner" 2>/dev/null || break; sleep 0.1; done
kill -0 "$runner" 2>/dev/null && fail "scripts/run did not end with the panel"
runner=""
for port in com1 com2; do
  [ ! -e "$scratch/qd40-sim-$(id -u)-$port" ] || fail "the simulator's link for ${port^^} was left behind"
done
echo "each port has a simulated projector of its own"

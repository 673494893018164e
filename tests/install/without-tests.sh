#!/usr/bin/env bash
# QD40_BUILD_TESTS=OFF configures the programs with GoogleTest out of reach.
#   without-tests.sh SOURCE_DIR
set -uo pipefail
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
if ! said="$(cmake -S "$1" -B "$scratch" -G Ninja -DQD40_BUILD_TESTS=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON 2>&1)"; then
  echo "FAIL: configuring without GoogleTest: $said" >&2
  exit 1
fi
targets="$(ninja -C "$scratch" -t targets all)"
for program in qd40-control qd40-sim qd40ctl; do
  grep -q "^$program:" <<<"$targets" || { echo "FAIL: no $program target" >&2; exit 1; }
done
if grep -q "^tests/unit_tests:" <<<"$targets"; then
  echo "FAIL: the tests are still built" >&2
  exit 1
fi
echo "the programs configure without GoogleTest"

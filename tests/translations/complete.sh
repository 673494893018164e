#!/usr/bin/env bash
# Every text the code marks for translation is in each .ts file, translated,
# with the placeholders of its English: lupdate brings a copy of each file up
# to date with the code, lrelease counts what is left unfinished.
#   complete.sh SOURCE_DIR LUPDATE LRELEASE
set -euo pipefail
source="$1" lupdate="$2" lrelease="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for ts in "$source"/data/translations/*.ts; do
  copy="$work/$(basename "$ts")"
  cp "$ts" "$copy"
  "$lupdate" -silent -no-obsolete -locations none -I "$source/src" -extensions cpp,h \
    "$source/src" -ts "$copy" 2>/dev/null
  report="$("$lrelease" "$copy" -qm "$work/check.qm")"
  echo "$report"
  if ! grep -q ' 0 unfinished)' <<<"$report" || grep -q 'untranslated' <<<"$report"; then
    echo "$(basename "$ts"): texts of the code without a translation; build the" \
      "update_translations target and translate them" >&2
    exit 1
  fi
  python3 - "$copy" <<'PY'
import re, sys, xml.etree.ElementTree as ET
wrong = 0
for message in ET.parse(sys.argv[1]).getroot().iter('message'):
    source = message.findtext('source')
    translation = message.findtext('translation') or ''
    if set(re.findall(r'%\d', source)) != set(re.findall(r'%\d', translation)):
        print('placeholders differ:', repr(source), '->', repr(translation))
        wrong += 1
sys.exit(1 if wrong else 0)
PY
done

#!/usr/bin/env bash
# The bash completions complete the words they should, in plain bash.
#   completion.sh SOURCE_DIR QD40CTL
set -uo pipefail
failures=0
complete_words() {  # FUNCTION WORD... : what FUNCTION offers for the last word
    local function=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    "$function"
    echo "${COMPREPLY[*]}"
}
expect() {
    [ "$2" = "$3" ] || { echo "FAIL: $1 gave '$2', not '$3'" >&2; failures=$((failures + 1)); }
}
source "$1/data/completion/qd40ctl"
source "$1/data/completion/qd40-control"
expect "first word" "$(complete_words _qd40ctl "$2" pow)" "power"
expect "second word" "$(complete_words _qd40ctl "$2" power "")" "off on"
expect "third word" "$(complete_words _qd40ctl "$2" --json signal video s)" "s-video"
expect "after an action" "$(complete_words _qd40ctl "$2" status wa)" "watch"
expect "speed" "$(complete_words _qd40ctl "$2" --speed "")" "19200 9600"
expect "the bridge" "$(complete_words _qd40ctl "$2" mq)" "mqtt"
expect "bridge option" "$(complete_words _qd40ctl "$2" mqtt --broker "")" "mqtt:// mqtts://"
expect "bridge options" "$(complete_words _qd40ctl "$2" mqtt --port /dev/ttyUSB0 --i)" "--id --interval"
expect "panel option" "$(complete_words _qd40_control qd40-control --log-)" "--log-max"
exit "$failures"

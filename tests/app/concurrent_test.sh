#!/usr/bin/env bash
# Programs changing the user's files at once lose nothing: four shells each commit their own
# parameter over and over while two more change the lock level and the trace mask; afterwards
# every last value is there. Usage: concurrent_test.sh path/to/kadrelle
set -uo pipefail
K=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
export HOME=$T XDG_CONFIG_HOME=$T/config XDG_DATA_HOME=$T/data LC_ALL=C.UTF-8
rounds=12
"$K" lock 3 >/dev/null || exit 1
writer() {  # parameter, first value, printf format
  for ((i = 0; i < rounds; i++)); do
    "$K" set "$1" "$(printf "$3" $(($2 + i)))" >/dev/null || echo "FAIL: set $1 refused"
  done
}
writer P1510 1000 %d & writer P1512 10 %d & writer P1612 100 %d & writer P1610 1 %X &
for ((i = 0; i < rounds; i++)); do "$K" lock $((2 + i % 2)) >/dev/null; done &
for ((i = 0; i < rounds; i++)); do "$K" setting Debug $i >/dev/null; done &
wait
failures=0
expect() {
  grep -qE -- "$2" <<<"$("$K" get "$1")" || { echo "FAIL: $1 lost its last value: $("$K" get "$1")"; failures=1; }
}
expect P1510 ": $((1000 + rounds - 1)) RPM"
expect P1512 ": $((10 + rounds - 1))\.0 %"
expect P1612 ": $((100 + rounds - 1)) ms"
expect P1610 ": $(printf %02X $rounds)$"
"$K" lock | grep -q 'lock level 3' || { echo "FAIL: lock level lost"; failures=1; }
"$K" setting Debug | grep -q "Debug=$((rounds - 1)) " || { echo "FAIL: Debug lost"; failures=1; }
exit $failures

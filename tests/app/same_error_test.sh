#!/usr/bin/env bash
# A form that cannot be bound is refused in the same words by both programs.
# Usage: same_error_test.sh path/to/kadrelle path/to/kadrelle-gui
set -uo pipefail
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
export HOME=$T XDG_CONFIG_HOME=$T/config XDG_DATA_HOME=$T/data QT_QPA_PLATFORM=offscreen
failures=0
for p in 9999:0 1510:-7; do  # parameter:display mode
  echo '{"format":"kadrelle-form","version":1,"controls":[{"type":"Kadrelle","name":"A","left":0,'\
'"top":0,"width":3000,"height":400,"properties":[{"key":"Parameter","type":"Long","value":'"${p%:*}"'},'\
'{"key":"DisplayMode","type":"Long","value":'"${p#*:}"'}]}]}' >"$T/f.json"
  cli=$("$1" run --print "$T/f.json" 2>&1 >/dev/null) && failures=1
  gui=$("$2" --render "$T/f.json" -o "$T/f.png" 2>&1 >/dev/null | tail -n 1)
  [ "${cli#kadrelle: }" = "${gui#kadrelle-gui: }" ] && [[ $cli == *"f.json.controls[0]: A "* ]] ||
    { echo "FAIL: kadrelle said '$cli', kadrelle-gui '$gui'"; failures=1; }
done
exit $failures

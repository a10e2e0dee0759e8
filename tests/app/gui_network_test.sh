#!/usr/bin/env bash
# kadrelle-gui on a drive `kadrelle serve` serves on a free loopback port: a form drawn once the
# drive's values were read; the drive gone, the reason and status 1. And the window on a simulated
# drive of the user's own description. Usage: gui_network_test.sh kadrelle kadrelle-gui FORM
set -uo pipefail
T=$(mktemp -d)
"$1" serve --port 0 >"$T/serve.out" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$T"' EXIT
export HOME=$T XDG_CONFIG_HOME=$T/config XDG_DATA_HOME=$T/data QT_QPA_PLATFORM=offscreen
for _ in $(seq 50); do grep -qs "until stopped" "$T/serve.out" && break; sleep 0.1; done
drive=modbus://$(grep -oE '127\.0\.0\.1:[0-9]+' "$T/serve.out")
failures=0
fail() { echo "FAIL: $*"; failures=1; }
out=$(timeout 20 "$2" --drive "$drive" --render "$3" -o "$T/f.png" 2>&1) && [ -s "$T/f.png" ] ||
  fail "the form on $drive was not drawn: $out"
kill $server && wait $server
out=$(timeout 20 "$2" --render "$3" -o "$T/g.png" --drive "$drive" 2>&1) && fail "no drive: $out"
[[ $out == *"kadrelle-gui: drive 127.0.0.1:"*"refused the connection"* ]] || fail "said '$out'"
printf '{"format": "Kadrelle drive description", "version": 1, "parameters": [
  {"key": "P7", "number": 7, "name": "Gain", "range": [0, 50]}]}' >"$T/mine.json"
out=$(timeout 20 "$2" --drive-description "$T/mine.json" --render -o "$T/w.png" 2>&1) ||
  fail "the window on the described drive: $out"
exit $failures

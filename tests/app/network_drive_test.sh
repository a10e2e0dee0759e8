#!/usr/bin/env bash
# kadrelle --drive modbus://...: the drive commands against two drives served on free loopback
# ports, a parameter set moved from one to the other, and drives that stop (a clear error, no
# hang). Usage: network_drive_test.sh path/to/kadrelle
set -uo pipefail
K=$1
T=$(mktemp -d)
pids=()
tmux() { command tmux -f /dev/null -L "kadrelle-net-$$" "$@"; }
trap 'tmux kill-server 2>/dev/null; for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$T"' EXIT
export HOME=$T XDG_CONFIG_HOME=$T/config XDG_DATA_HOME=$T/data LC_ALL=C.UTF-8
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# run STATUS PATTERN ARGS...: the command ends within 10 s with STATUS, its output matching PATTERN.
run() {
  local want=$1 pattern=$2; shift 2
  local out status
  out=$(timeout 10 "$K" "$@" 2>&1); status=$?
  [ "$status" -eq "$want" ] || fail "kadrelle $* exited $status, expected $want: $out"
  grep -qE -- "$pattern" <<<"$out" || fail "kadrelle $* printed '$out', expected /$pattern/"
}

# serve NAME [OPTION...]: a served simulated drive; its address in $NAME, its process in
# ${NAME}_pid.
serve() {
  "$K" serve --port 0 "${@:2}" >"$T/$1.out" 2>&1 &
  pids+=($!)
  printf -v "$1_pid" %s $!
  for _ in $(seq 50); do grep -qs "until stopped" "$T/$1.out" && break; sleep 0.1; done
  printf -v "$1" %s "modbus://127.0.0.1:$(grep -oE '127\.0\.0\.1:[0-9]+' "$T/$1.out" | cut -d: -f2)"
}
serve a
serve b

run 0 'P1510 Speed Limit: 3000 RPM' get P1510 --drive "$a"  # options after the command too
run 0 'lock level 2' --drive "$a" lock 2
run 0 'P1510 Speed Limit: 4500 RPM' --drive "$a" set P1510 4500
run 0 'Drive Name: "Axis Y"' --drive "$a" set P1710 'Axis Y'
# pymodbus's client on `kadrelle serve`: 4500 RPM (9830400 counts/s, high word first), -1 refused,
# "Axis Y" two characters to a register.
out=$(timeout 10 /usr/bin/python3 "$(dirname "$0")/../modbus/pymodbus_client.py" "${a##*:}" READ:52:2 \
  WRITE:52:65535/65535 READ:78:3)
[ "$out" = $'150 0\nexception 3\n16760 26995 8281' ] || fail "pymodbus's client saw '$out'"
run 1 '9000 RPM is above the maximum of 6000 RPM' --drive "$a" set P1510 9000
run 0 '"value": 4500' --drive "$a" get p1510 --json
[ -e "$T/data/kadrelle/drive.json" ] && fail "a network drive's values went to the drive file"
run 0 '^P1510 Speed Limit: 3000 RPM' get P1510  # the user's simulated drive is another drive

D=$(dirname "$0")/../../src/brommet/SimulatedDrive.json
run 0 'P1510 Speed Limit: 4500 RPM' --drive "$a" --drive-description "$D" get P1510
# The user's own description on the simulated drive: its parameters, its values kept apart.
printf '{"format": "Kadrelle drive description", "version": 1, "parameters": [
  {"key": "P7", "number": 7, "name": "Gain", "range": [0, 50], "default": 5}]}' >"$T/mine.json"
run 0 '^P7 Gain: 5$' get P7 --drive-description "$T/mine.json"
run 0 '^P7 Gain: 9$' set P7 9 --drive-description "$T/mine.json"
printf 'print(drive:get("P7"))' >"$T/get.lua"
run 0 '^9' --drive-description "$T/mine.json" script "$T/get.lua"
run 0 '^ Gain +\*?9' run --print --drive-description "$T/mine.json"
run 1 'No parameter P1510' get P1510 --drive-description "$T/mine.json"
# A served description with a 32-bit register low word first and scaled: pymodbus reads 5 as
# 50 tenths; 70000 tenths written as 4464 and 1 read back as 7000.
printf '{"format": "Kadrelle drive description", "version": 1, "parameters": [
  {"key": "P8", "number": 8, "name": "Reach", "range": [0, 100000], "default": 5,
   "register": {"address": 200, "type": "int32", "words": "low-first", "scale": 0.1}}]}' \
  >"$T/scaled.json"
serve c --drive-description "$T/scaled.json"
out=$(timeout 10 /usr/bin/python3 "$(dirname "$0")/../modbus/pymodbus_client.py" "${c##*:}" \
  READ:200:2 WRITE:200:4464/1 READ:200:2)
[ "$out" = $'50 0\nok\n4464 1' ] || fail "pymodbus's client saw '$out' on the scaled drive"
run 0 '^P8 Reach: 7000$' --drive "$c" --drive-description "$T/scaled.json" get P8
printf '{"format": "Kadrelle drive description", "version": 1, "parameters": []}' >"$T/bad.json"
run 1 'bad.json: parameters: the drive has no parameters' get P7 --drive-description "$T/bad.json"
kill -STOP "$a_pid"  # connected to, but silent
run 1 "drive 127.0.0.1:[0-9]+ did not answer within 1 s" --drive "$a" get P1510
kill -CONT "$a_pid"

# The set of drive a, moved to drive b.
"$K" --drive "$a" export "$T/a.kset" || fail "export from $a"
run 1 '^P1510 +Speed Limit +4500 +3000 +RPM$' --drive "$b" diff "$T/a.kset"
run 0 '2 changed' --drive "$b" apply "$T/a.kset"
run 0 ', 0 changed|^0 changed' --drive "$b" diff "$T/a.kset"
run 0 'P1710 Drive Name: "Axis Y"' --drive "$b" params --changed

# The terminal host on drive a shows its values and, in the status line, its connection.
shows() {
  for _ in $(seq 50); do tmux capture-pane -p | grep -qE -- "$1" && return; sleep 0.1; done
  fail "the terminal host did not show /$1/: $(tmux capture-pane -p)"
}
tmux new-session -d -x 80 -y 24 "TERM=xterm-256color $K run --drive $a"  # options anywhere
shows 'Speed Limit +\*?4500 RPM'
shows '\| connected +F1 help'
tmux send-keys Z Enter F7
shows 'unsaved .*\| connected'
kill -INT "$a_pid"
shows '\| unsaved \| config view \| not connected +F1 help  F10 quit$'  # fits 80 columns

# Drive b stops while a script works on it; then nothing answers there.
printf 'print(drive:get("P1510"))\nio.stdout:flush()\ndrive:wait(1.5)\ndrive:set("P1510", 4000)\n' \
  >"$T/stop.lua"
timeout 15 "$K" --drive "$b" script "$T/stop.lua" >"$T/stop.out" 2>&1 &
script=$!
for _ in $(seq 50); do grep -qs 4500 "$T/stop.out" && break; sleep 0.1; done
kill -INT "$b_pid"
wait "$script"; status=$?
[ "$status" -eq 1 ] && grep -qE 'P1510.*(not connected|did not answer|refused|lost)' "$T/stop.out" ||
  fail "a script whose drive stopped exited $status: $(cat "$T/stop.out")"
run 1 "drive 127.0.0.1:[0-9]+ refused the connection" --drive "$b" get P1510
run 2 "refused the connection" --drive "$b" diff "$T/a.kset"
run 1 'No parameter P9999' --drive "$b" get P9999
run 2 'not a Modbus drive address' --drive 'http://x' get P1510
[ "$failures" -eq 0 ] && echo "network drive test passed"
exit $((failures > 0))

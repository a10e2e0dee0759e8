#!/usr/bin/env bash
# The kadrelle program end to end, in a temporary home: drive commands and their errors, forms
# that fail to load, and the terminal host driven in tmux (type, commit, step, lock level, save,
# restart). Usage: kadrelle_test.sh path/to/kadrelle
set -uo pipefail
K=$1
T=$(mktemp -d)
sock=kadrelle-test-$$
trap 'command tmux -L "$sock" kill-server 2>/dev/null; rm -rf "$T"' EXIT
export HOME=$T XDG_CONFIG_HOME=$T/config XDG_DATA_HOME=$T/data LC_ALL=C.UTF-8 TERM=xterm-256color
export ASAN_OPTIONS=detect_leaks=0  # ncurses keeps its screen buffers to the end
drive=$T/data/kadrelle/drive.json
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# run STATUS PATTERN ARGS...: the command exits with STATUS and its output matches PATTERN.
run() {
  local want=$1 pattern=$2; shift 2
  local out status
  out=$("$K" "$@" 2>&1); status=$?
  [ "$status" -eq "$want" ] || fail "kadrelle $* exited $status, expected $want: $out"
  grep -qE -- "$pattern" <<<"$out" || fail "kadrelle $* printed '$out', expected /$pattern/"
}

run 0 '^kadrelle [0-9]+\.[0-9]+\.[0-9]+$' --version
run 0 'P1712 +Serial Number .*read-only' params
run 0 '"lockLevel": 3' params --json
run 0 '"description": "Encoder Direction",' params --json  # without the catalog's axis marker
# Columns line up by display width: "°C" is two bytes and one column.
[ "$("$K" params | grep -E '^  P1(313|515) ' | sed 's/°/o/' | cut -c56-57 | sort -u)" = 60 ] ||
  fail "params columns slip after a unit that is not ASCII"
run 0 'SpeedLimit: P1510 "3000" locked \(needs lock level 1 \(technician\)\)' run --print
run 0 'SerialNumber: P1712 "[0-9A-F]+" read-only' run --print
run 1 'needs lock level 1.*kadrelle lock' set P1510 4500
run 0 '"lockLevel":2' --json lock 2  # options before the command too
run 0 'P1510 Speed Limit: 5890 RPM' set P1510 5890
run 0 '"value": 5890.0,' --json get p1510 P1511  # as the drive shows it
run 0 '^P1511 Current Limit: 10.00 A$' get --all
run 0 'P1510 Speed Limit: 4500 RPM' set P1510 4500
run 0 'Node ID: 2A$' set P1610 2a  # hex as the form shows it
run 0 'Drive Name: "Axis Y"' set P1710 'Axis Y'
run 0 'Debug=6' setting Debug 6
sum=$(md5sum "$drive" "$XDG_CONFIG_HOME/Kadrelle.ini")
run 1 '9000 RPM is above the maximum of 6000 RPM' set P1510 9000
run 1 'No parameter P9999' get P9999
run 1 'does not exist' lock 7
run 1 'whole number' setting Debug x
run 1 '"x" is not a number' set P1510 x
run 1 '"G" is not a hexadecimal number' set P1610 G
run 2 '^Usage: kadrelle get \[OPTIONS\]' get
run 2 'trace mask is a whole number.*not "x"' run --print --debug x
run 2 '^Usage: kadrelle \[OPTIONS\] \[SUBCOMMAND\]' bogus
[ "$sum" = "$(md5sum "$drive" "$XDG_CONFIG_HOME/Kadrelle.ini")" ] || fail "a refused command changed a file"

# Parameter sets: exported, compared (status 0 equal, 1 differ, 2 error), applied all or nothing.
run 0 '^P1510 = 4500 +# Speed Limit \(RPM\)$' export
"$K" export "$T/set.kset" && "$K" set P1510 3000 >/dev/null && "$K" set P1512 150 >/dev/null
sed -i 's/^P1313 = .*/P1313 = 2,500/' "$T/set.kset"
run 1 '^P1510 +Speed Limit +4500 +3000 +RPM$' diff "$T/set.kset"
run 1 '3 changed, 39 unchanged' diff "$T/set.kset"
sed 's/^P1513 = .*/P1513 = 410/' "$T/set.kset" >"$T/high.kset"
run 1 'Nothing was written; cannot apply P1513 \(above the lock level: needs lock level 3\)' apply "$T/high.kset"
run 0 '^P1510 Speed Limit: 3000 RPM -> 4500 RPM$' apply "$T/set.kset" --only P1510
run 1 '^2 changed' diff "$T/set.kset"
echo 'P1510 4500' >"$T/bad.kset"
run 2 'bad.kset:1: expected KEY = VALUE' diff "$T/bad.kset"
run 0 '2 changed and saved' apply "$T/set.kset"
run 0 '0 changed, 42 unchanged' diff "$T/set.kset"
run 0 '^P1510 Speed Limit: 4500 RPM  \(default 3000 RPM\)$' params --changed

# Forms that cannot be loaded, and a damaged drive file: a message naming the file, status 1.
echo '{"format": "kadrelle-form", "version": 1, "controls": [' >"$T/broken.json"
run 1 'broken.json' run "$T/broken.json"
run 1 'nosuch.json' run "$T/nosuch.json"
p='{"key":"Parameter","type":"Integer","value":1510},{"key":"DisplayMode","type":"Integer","value":-7}'
echo '{"format":"kadrelle-form","version":1,"controls":[{"type":"Kadrelle","name":"A","left":0,"top":0,"width":3000,"height":400,"properties":['"$p"']}]}' >"$T/mode.json"
sed 's/"left":0,"top":0,"width":3000,"height":400/"left":9e6,"top":9e6,"width":1e7,"height":1e7/; s/-7/0/' \
  "$T/mode.json" >"$T/far.json"
run 0 'A: P1510' run --print "$T/far.json"
[ "$("$K" run --print "$T/far.json" | wc -l)" -lt 2010 ] || fail "a far-off control printed unbounded"
run 0 '^ Axis 1 Speed Limit +\*?[0-9]+ RPM$' run --print "$(dirname "$0")/../../docs/drive-limits.json"
# A value above its caption: the unit follows the value, not a caption line the control cuts off.
p='{"key":"Parameter","type":"Long","value":1510},{"key":"EditorPosition","type":"Long","value":2},{"key":"EditorWidth","type":"Single","value":900}'
echo '{"format":"kadrelle-form","version":1,"controls":[{"type":"Kadrelle","name":"A","left":0,"top":0,"width":3000,"height":600,"properties":['"$p"']}]}' >"$T/above.json"
run 0 '^ +\*?[0-9]+ RPM$' run --print "$T/above.json"
echo '{"format":"kadrelle-form","version":1,"controls":[]}' >"$T/empty.json"
run 1 'empty.json: the form has no controls' run --print "$T/empty.json"
cp "$drive" "$T/good.json"
bad='{"format": "Brommet drive parameters", "version": 1, "parameters": {"P1510": "x"}}'
echo "$bad" >"$drive"
run 1 'drive.json.*P1510' get P1510
run 1 'drive.json' run --print
cmp -s "$drive" <(echo "$bad") || fail "a damaged drive file was overwritten"
cp "$T/good.json" "$drive"
run 0 'Axis Y' run --print
run 0 'SpeedLimit: P1510 "4500"' run

# Lua scripts: the public surface end to end; scripts that fail give the file and line, status 1
# and touch no file.
S=$(dirname "$0")/scripts
run 0 '^surface ok$' script "$S/surface.lua"
printf 'form.SpeedLimit:type("99999") form.SpeedLimit:press("Enter")\n' >"$T/over.lua"
run 0 'warning: P1510 Speed Limit: 99999 RPM is above the maximum of 6000 RPM; the value is 6000' \
  script "$T/over.lua"
printf 'form.DriveName:type(string.rep("y", 30)) form.DriveName:press("Enter")\n' >"$T/long.lua"
run 0 'warning: P1710 Drive Name: the text is 30 .* at most 24 are allowed$' script "$T/long.lua"
echo 'form.SpeedLimit.UserDescription = "Maximum motor speed" form.SpeedLimit.EditorWidth = 1600
form.CurrentLimit.EditorWidth = 3510 form:save()' >"$T/save.lua"
run 0 '' script "$T/save.lua"
run 0 '^ Maximum motor +\*?[0-9]+ RPM ' run "$T/data/kadrelle/form.json"  # wrapped at a blank
out=$("$K" run --print "$T/data/kadrelle/form.json" 2>&1)  # a caption box without a column: no rows
grep -qE '^ +[0-9.]+ A +Axis 1 Speed' <<<"$out" && ! grep -qE '^ .$' <<<"$out" || fail "no column: $out"
rm -f "$T/data/kadrelle/form.json"
sum=$(md5sum "$drive" "$XDG_CONFIG_HOME/Kadrelle.ini")
run 1 "broken.lua:2: unexpected symbol near '='" script "$S/broken.lua"
run 1 'range.lua:3: error 30001: P1510 Speed Limit: 7000 RPM is above the maximum' script "$S/range.lua"
run 1 'broken.json' script "$S/range.lua" --form "$T/broken.json"
printf 'local t = {}\nerror(t)\n' >"$T/table.lua"
run 1 'table.lua:2: error with a table value' script "$T/table.lua"
[ "$sum" = "$(md5sum "$drive" "$XDG_CONFIG_HOME/Kadrelle.ini")" ] || fail "a failed script changed a file"

# kadrelle serve: the simulated drive over Modbus TCP on a free loopback port, read and written by
# pymodbus's client, stopped by SIGINT; a bad description is refused naming the file and place.
"$K" serve --port 0 >"$T/serve.out" 2>&1 &
served=$!
for _ in $(seq 50); do grep -q 'until stopped' "$T/serve.out" && break; sleep 0.1; done
port=$(grep -oE '127\.0\.0\.1:[0-9]+' "$T/serve.out" | cut -d: -f2)
out=$(/usr/bin/python3 "$(dirname "$0")/../modbus/pymodbus_client.py" "$port" READ:52:2 WRITE:52:0/1000 \
  WRITE:52:201/0 2>&1)
[ "$out" = $'100 0\nok\nexception 3' ] || fail "kadrelle serve answered '$out' on port '$port'"
kill -INT "$served"
timeout 5 tail --pid="$served" -f /dev/null || fail "kadrelle serve did not stop on SIGINT"
echo '{"format": "Kadrelle drive description", "version": 1, "parameters": [{}]}' >"$T/d.json"
run 1 'd.json: parameters\[0\]: missing "key"' serve --drive-description "$T/d.json"

# The terminal host in tmux.
tmux() { command tmux -f /dev/null -L "$sock" "$@"; }
screen() { tmux capture-pane -p -t k 2>/dev/null; }
# waitfor PATTERN: the screen shows it within fifteen seconds (sanitized builds on a busy machine are slow).
waitfor() {
  for _ in $(seq 150); do screen | grep -qE -- "$1" && return 0; sleep 0.1; done
  fail "the screen never showed /$1/:"; screen >&2; return 1
}
keys() { tmux send-keys -t k "$@"; }
start() {  # [ROWS [COLUMNS [ENV]]] a tmux server now and then fails to start: try again
  for _ in 1 2 3; do
    tmux new-session -d -s k -x "${2:-100}" -y "${1:-30}" "${3:-} $K run; echo \$? >$T/status; sleep 30" && break
    sleep 0.5
  done
  waitfor 'F1 help'
}
start
keys '?'; waitfor 'Drive Name +\*\? '  # typed into a text, not the help
keys Escape Tab Tab; waitfor '^ P1510 \| lock 2 engineer \| application view  '
waitfor 'Current Limit +10\.00 A '  # right-aligned, the unit after; at its default: no mark
keys 3500; waitfor 'Speed Limit +\*?3500 RPM'  # right-aligned while typed
keys Enter; waitfor 'SpeedLimit: Change, P1510 = 3500'
keys PPage; waitfor 'Speed Limit +\*3510 RPM'
keys F5 F5; waitfor 'lock 0 operator'
keys NPage; waitfor '^ P1510 Speed Limit: needs lock level 1 .*F1 help  F10 quit$'  # status line too
keys Tab 5; waitfor 'P1511 Current Limit: needs lock level 2 \(engineer\), the application holds 0'
keys BTab F6 F6 NPage NPage; waitfor 'Speed Limit +\*3490 RPM'
keys 9999 Enter; waitfor 'P1510 = 6000'  # the box holds the entry to the limits
waitfor '9999[0-9]* RPM is above the maximum of 6000 RPM; the value is 6000'
keys abc Enter; waitfor '"abc" is not a number; the value stays 6000'
keys F7; waitfor 'configuration view'
keys '?'; waitfor 'F4 +design mode'
# Design mode: a property by name from the sheet, a refused one, and the form saved with the drive.
keys x F4; waitfor 'Properties of SpeedLimit'; waitfor 'properties; F4 leaves$'  # wrapped, not cut
keys U U U; waitfor ' String$'  # Basic's type names
keys Enter "$(printf 'w%.0s' $(seq 90))"; waitfor '…w{20,}'  # a long entry's end, scrolled
keys Escape Enter 'Top speed' Enter
waitfor 'SpeedLimit.UserDescription = "Top speed"'
keys E E Enter x Enter; waitfor 'Error 13: Type mismatch'
# A parameter the drive lacks and a display mode without a view are refused (the saved form could
# not be opened again); a new parameter is shown at once.
keys Escape P P Enter 9 Enter; waitfor 'Error 380: No parameter 15109 on this drive'
keys Escape D Enter 7 Enter; waitfor 'Error 380: No display mode 17'
keys Escape P P Enter BSpace 1 Enter; waitfor 'Top speed +10,000 mA'
keys Enter BSpace 0 Enter; waitfor 'SpeedLimit.Parameter = 1510'
keys Enter C-s; waitfor 'Saved the drive parameters'  # Ctrl-S also while typing a value
keys Escape Escape F4; waitfor 'Top speed +\*?13,107,200 counts/s'  # the configuration view
keys F2; waitfor 'Saved the drive parameters'
waitfor '^ [^ ]+/kadrelle/form\.json$'  # a long event goes on over the next row
keys F10; for _ in $(seq 50); do [ -s "$T/status" ] && break; sleep 0.1; done
[ "$(cat "$T/status" 2>/dev/null)" = 0 ] || fail "the terminal host did not exit with status 0"
tmux kill-server
start 24 80
waitfor 'F1 help  F10 quit$'  # the page fits 80x24: no value or key is cut off
waitfor 'Operating Hours +1,256\.0 h$'
keys F1; waitfor 'changes it, F2 saves the form'; keys x  # so does the help
[[ $(tmux capture-pane -e -p -t k) == *$'\e[46m'* ]] || fail "the focused value has no colour"
waitfor 'Speed Limit +\*6000 RPM'
waitfor 'lock 2 engineer'
keys F9 F5 F6 F5 F6 F5 F6  # no trace pane; seven events: the event pane shows the last six
for _ in $(seq 100); do [ "$(screen | grep -c '^ Lock level')" = 6 ] && break; sleep 0.1; done
[[ $(screen) == *'Kadrelle: 13 controls'* ]] && fail "the event pane took more than 6 rows"
# A caption longer than its control's row wraps at a blank onto a row the host inserts.
keys F7; waitfor 'Power stage enable +0$'; waitfor '^ {40,}\(0 off, 1 on\)$'
keys Tab Tab 1 F10; waitfor 'SpeedLimit: the entry is not committed'  # quitting would lose it
keys F10
run 0 'SpeedLimit: P1510 "13,107,200" \| Top speed' run "$T/data/kadrelle/form.json"
tmux kill-server
start 10 100 NO_COLOR=1  # a form taller than the screen scrolls to the focused control
keys BTab; waitfor 'Operating Hours '
tmux capture-pane -e -p -t k | grep -qP '\e\[([0-9]+;)*[34][0-7][;m]' && fail "colours despite NO_COLOR"
keys Tab; waitfor 'Axis 1 Drive Name'
keys F10

# The component commands: the type library, the module's resources, registration and its errors.
run 0 'HRESULT UnitsFontScale\(\[out, retval\] long\* value\)' typelib
run 0 'OriginalFilename: Kadrelle.ocx' resources
run 0 'Registered KadrelleCtl.Kadrelle' register
grep -q '^KadrelleCtl.Kadrelle.CLSID=' "$XDG_CONFIG_HOME/kadrelle/registry" || fail "register wrote no class"
run 0 'Unregistered' unregister
grep -q KadrelleCtl "$XDG_CONFIG_HOME/kadrelle/registry" && fail "unregister left the class"
run 1 'nosuch.ocx' register "$T/nosuch.ocx"
run 1 'good.json' resources "$T/good.json"
run 0 'Usage:.*resources' resources --help

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "all passed"

#!/usr/bin/env bash
# Runs the real program under a private X server and tells what a screen
# reader hears of a block's rows that come and go: a browser file added to
# the block by its row's menu is one row added at its index (the block's
# end), and a row removed by its own button one row removed at its index,
# each told once, on the list.
#   row_events_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"

for name in Tre Quattro Cinque Voce; do cp "$media/tone_half.wav" "$work/show/$name.wav"; done
cat > "$work/show/Righe.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"1A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4F",
 "items":[$(item Tre.wav),$(item Quattro.wav),$(item Cinque.wav)],"loop":false,"loopCount":0,
 "name":"Seconda","normalizeAudio":false}],
 "browser":[$(item Voce.wav)],"layers":[],"version":1}
JSON
settings
launch "$work/show/Righe.vellumcast"
wait_for 30 find_window '^Righe' || fail "no main window"
wait_for 30 find_named 'Rimuovi dal blocco, Quattro' || fail "the rows are not in the accessibility tree"

told=$work/children.txt
"$python" "$here/children.py" listen "$told" &
listener=$!
wait_for 10 grep -qs '^listening$' "$told" || fail "the listener did not start"
focus_main

wait_for 30 eval 'xy=$("$python" "$here/children.py" centre "Voce, ")' || fail "the browser's row is not shown"
xdotool mousemove --sync $xy click 3
click_named 'Aggiungi al blocco “Seconda”'
wait_for 10 grep -qx 'add 3' "$told" || fail "the row added was not told at its index: $(tr '\n' '|' <"$told")"
click_named 'Rimuovi dal blocco, Quattro'
wait_for 10 grep -qx 'remove 1' "$told" || fail "the row removed was not told at its index: $(tr '\n' '|' <"$told")"
# Once each: nothing else, also from Qt's own bridge.
answers() { wait_for 30 find_named 'Rimuovi dal blocco, Cinque'; }
answers || fail "the program stopped answering"
events=$(grep -v '^listening$' "$told" | tr '\n' '|')
[ "$events" = "add 3|remove 1|" ] || fail "the list told more than the two rows: $events"
echo "told: $events"

kill -TERM "$pid"
ended 20 "SIGTERM"

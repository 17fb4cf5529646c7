#!/usr/bin/env bash
# Runs the real program under a private X server with 300 files in its
# browser and reads the browser's list as a screen reader does: every row is
# at its own place among all 300 ("row 151 of 300"), whether it is in view or
# not, and the wheel brings the last row into view at place 300 of 300.
#   browser_rows_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"

# "Voce 001" to "Voce 300", each of one short tone.
browser=$(sound_items "$media/const_eighth.wav" voci Voce 300)
echo "{\"blocks\":[],\"browser\":[$browser],\"layers\":[],\"version\":1}" > "$work/show/Voci.vellumcast"
settings
launch "$work/show/Voci.vellumcast"
wait_for 60 find_window '^Voci' || fail "no main window"

place() { "$python" "$here/x11.py" place "$1" 'list item' 2>/dev/null; }
expect_place() { # NAME_PREFIX PLACE WHAT
  local got=""
  at_place() { got=$(place "$1") && [ "$got" = "$2" ]; }
  wait_for 30 at_place "$1" "$2" || fail "$3 is at \"$got\" (index, count), not at \"$2\""
  echo "$3: index and count $got"
}
wait_for 60 find_shown 'Voce 001, 00:00:02' 'list item' || { "$python" "$here/x11.py" dump; fail "the browser's first row is not shown"; }
expect_place 'Voce 001,' '0 300' "the first row"
expect_place 'Voce 151,' '150 300' "row 151, out of view"
xdotool mousemove --sync $xy click --repeat 300 --delay 5 5
# By its name alone: beside busy processes its length may still be read.
wait_for 20 find_shown 'Voce 300,' 'list item' || fail "the wheel did not bring the last row into view"
expect_place 'Voce 300,' '299 300' "the last row, in view"

"$python" "$here/x11.py" close "$window"
ended 30 "the window closed"

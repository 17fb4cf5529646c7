#!/usr/bin/env bash
# Runs the real program under a private X server and checks, from outside,
# where the keyboard focus goes and what a screen reader is told:
# - the controls that repeat per block and per layer and the lists are named
#   with whose they are;
# - "Rimuovi dal blocco" pressed by keyboard hands the focus to the same
#   button of the row that takes the place, then (the last row gone) to the
#   block's settings, and the next Tab goes on from there;
# - Tab into the blocks column scrolled down shows the first block's name
#   field where it stands with the column at its top;
# - a block made in the session by the browser row's "Aggiungi a un nuovo
#   blocco", after a switch to "Palinsesto" and back, is where Shift+Tab past
#   the top of the window lands (its last row), as Tab reaches it.
#   focus_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"

for name in Uno Due Voce; do cp "$media/tone_half.wav" "$work/show/$name.wav"; done
coro=$(sound_items "$media/tone_half.wav" coro Coro 25)
cat > "$work/show/Fuoco.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
 "items":[$(item Uno.wav),$(item Due.wav)],"loop":false,"loopCount":0,"name":"Apertura","normalizeAudio":false},
 {"endBehavior":"stop","id":"1A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4E",
 "items":[$coro],"loop":false,"loopCount":0,"name":"Lungo","normalizeAudio":false}],
 "browser":[$(item Voce.wav)],"layers":[],"version":1}
JSON
settings
launch "$work/show/Fuoco.vellumcast"
wait_for 30 find_window '^Fuoco' || fail "no main window"
xdotool windowmove --sync "$window" 0 0 windowsize --sync "$window" 1440 800 || true
wait_for 30 find_named 'Riproduci da qui, Uno' || fail "the rows are not in the accessibility tree"
focused() { "$python" "$here/rows.py" focused 2>/dev/null; }
focus_is() { [ "$(focused)" = "$1" ]; }
expect_focus() { # NAME WHAT
  wait_for 10 focus_is "$1" || fail "$2: the focus is on \"$(focused)\", not on \"$1\""
}
previous=""
settled() { find_named 'Nome blocco' && [ "$xy" = "$previous" ] || { previous=$xy; return 1; }; }
wait_for 10 settled || fail "the first block's name field does not settle"
top_xy=$xy

# Names: whose each repeated control is, what each list lists.
for name in 'Riproduci blocco, Apertura' 'Impostazioni blocco, Lungo' 'Elimina blocco, Lungo' \
            'Carica un file…, Layer 1' 'MOSTRA, Layer 2' 'File del browser'; do
  named "$name" || fail "nothing is named \"$name\""
done
echo "the blocks' and layers' controls say whose they are; the browser's list is named"

# Rows removed by keyboard: the focus stays in place, and Tab goes on.
focus_main
"$python" "$here/keys.py" tab-to 'Rimuovi dal blocco, Uno' Uno || fail "Tab does not reach the first row's remove button"
xdotool key Return
expect_focus 'Rimuovi dal blocco, Due' "the first row removed"
xdotool key Return
expect_focus 'Impostazioni blocco, Apertura' "the last row removed"
xdotool key Tab
expect_focus 'Elimina blocco, Apertura' "Tab after the removals"
echo "removed rows hand the focus on in place; Tab goes on from there"

# Tab into the column scrolled down: the first name field comes into view.
"$python" "$here/keys.py" back-to 'Nuovo blocco' || fail "Shift+Tab does not reach Nuovo blocco"
xdotool mousemove --sync $top_xy click --repeat 30 --delay 5 5
moved() { ! { find_shown 'Nome blocco' && [ "$xy" = "$top_xy" ]; }; }
wait_for 10 moved || fail "the wheel did not scroll the blocks column"
xdotool key Tab
expect_focus 'Nome blocco' "Tab into the scrolled column"
# Within the margin the view keeps around a control brought into it.
at_top() {
  xy=$("$python" "$here/keys.py" focused-at 2>/dev/null) || return 1
  local y=${xy#* } top=${top_xy#* }
  [ $((y - top)) -le 20 ] && [ $((top - y)) -le 20 ]
}
wait_for 10 at_top || fail "the focused name field is not brought into view: at $xy, not about $top_xy"
echo "Tab into the scrolled column shows the first block's name field"

# A block made in the session, the side panel switched to the schedule and
# back: Shift+Tab past the top of the window lands on its last row, though
# the column, made again at its top, has made no card for it yet.
modified() { xdotool getwindowname "$window" | grep 'modificato' >/dev/null; }
saved() { ! modified; }
focus_main
xdotool key ctrl+s
wait_for 10 saved || fail "the show was not saved"
"$python" "$here/keys.py" back-to 'Voce, *' || fail "Shift+Tab does not reach the browser's row"
xdotool key shift+F10
wait_for 10 named 'Aggiungi a un nuovo blocco' || fail "the browser row's menu has no entry for a new block"
click_named 'Aggiungi a un nuovo blocco'
wait_for 10 modified || fail "the new block did not come"
click_named Palinsesto
wait_for 10 named 'Aggiungi un evento al palinsesto' || fail "the schedule did not show"
click_named Blocchi
wait_for 10 named 'Nuovo blocco' || fail "the blocks did not come back"
focus_main
first='Nuovo, apri e salva lo show'
"$python" "$here/keys.py" back-to "$first" || fail "Shift+Tab does not reach the window's first control"
xdotool key shift+Tab
moved_on() { ! focus_is "$first"; }
wait_for 10 moved_on || fail "Shift+Tab from the window's first control went nowhere"
# The list hands the focus on to its row at once: the last move counts.
landed() { last=$(focused); [[ "$last" =~ ,\ Voce$ ]]; }
wait_for 10 landed || fail "Shift+Tab past the top of the window lands on \"$last\", not on the new block's last row"
echo "Shift+Tab past the top lands on the new block's last row: $last"

alive || fail "the program ended"
kill -TERM "$pid"
ended 20 "SIGTERM"

#!/usr/bin/env bash
# Runs the real program under a private X server and drives it from outside:
# it opens the show given on its command line (generated media) in place of
# the stored last show, its window's class is the one its desktop entry
# names, a stored key starts the
# first block and its tone reaches SDL's disk audio file, a file that
# cannot be played in the middle of the block is skipped so the block plays
# through to its last item, and that file's row carries the mark of it in the
# accessibility tree, the fade transition is chosen and its stepper's up arrow
# takes a click near its lower edge, the side
# panel's schedule tab is found through the accessibility tree and clicked,
# the keyboard works the event editor, the rows and play/pause, a browser
# file goes into a block by keyboard alone through its row's menu, a file that
# plays out into a live item leaves the time readout a steady blue "LIVE"
# (not the blinking end warning), a click and Right move a row's gain slider
# a step (its value read through the tree) and Alt+Down moves its row, the
# IN/OUT editor and the settings window
# appear in the accessibility tree with their controls, a cue and a take are
# announced on the accessibility bus with the item's name, Space on a settings
# switch from a stop toggles it and puts nothing on air, and closing the
# window ends the process with status 0.
#   smoke_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"

cp "$media/clip_30s.mp4" "$work/show/Sigla.mp4"
# The first block: a quiet tone, a text file named as a video, a louder tone.
cp "$media/const_eighth.wav" "$work/show/Prima.wav"
cp "$media/const_quarter.wav" "$work/show/Ultima.wav"
cp "$media/const_eighth.wav" "$work/show/Attesa.wav"
echo "questo non è un video" > "$work/show/Rotto.mp4"
# The browser: 200 names of one short tone, "Voce 001" to "Voce 200".
browser=$(sound_items "$media/const_eighth.wav" voci Voce 200)
# The last block: 200 more names of it, "Coro 001" to "Coro 200".
choir=$(sound_items "$media/const_eighth.wav" cori Coro 200)
cat > "$work/show/Smoke.vellumcast" <<JSON
{"blocks":[{"endBehavior":"pauseBlack","id":"5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4E",
 "items":[$(item Prima.wav),$(item Rotto.mp4),$(item Ultima.wav)],
 "loop":false,"loopCount":0,"name":"Guasto","normalizeAudio":false},
 {"endBehavior":"stop","id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
 "items":[$(item Sigla.mp4)],
 "loop":false,"loopCount":0,"name":"Apertura","normalizeAudio":false},
 {"endBehavior":"stop","id":"2A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C50",
 "items":[$(item Attesa.wav),{"gainDB":0,"inPoint":0,"isMuted":false,"loop":false,
  "liveSource":{"address":"","id":"3A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C51","kind":"ndi","listen":false,"name":"Regia"}}],
 "loop":false,"loopCount":0,"name":"Diretta","normalizeAudio":false},
 {"endBehavior":"stop","id":"1A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4F",
 "items":[$choir],
 "loop":false,"loopCount":0,"name":"Coro","normalizeAudio":false}],
 "browser":[$browser],"layers":[],"version":1}
JSON
# Another show as the last one: the show on the command line opens instead.
echo '{"blocks":[],"browser":[],"layers":[],"version":1}' > "$work/show/Altro.vellumcast"
# The last show, the first block on the P key (key code 35, no modifiers), the
# third on D (2), stop on S (1) and play/pause on the space bar (49).
settings "Vellumcast.lastShowPath=\"$work/show/Altro.vellumcast\"" \
  "$(shortcuts playBlock1=35 playBlock3=2 stop=1 playPause=49)"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/audio.raw
launch "$work/show/Smoke.vellumcast"

# The window shows the given show's name.
wait_for 30 find_window '^Smoke' || fail "no main window titled with the given show's name"
echo "main window $window: $(xdotool getwindowname "$window")"
# Docks and task switchers match it to the desktop entry by its class.
entry_class=$(sed -n 's/^StartupWMClass=//p' "$here/../../../resources/tessarin.desktop")
[ -n "$entry_class" ] || fail "the desktop entry names no window class"
xdotool search --class "^$entry_class\$" | grep -x "$window" >/dev/null || fail "the window's class is not $entry_class, as the desktop entry says"
echo "window class $entry_class, as the desktop entry says"

# Nothing plays yet: the audio file holds silence only.
peak() { "$python" -c '
import array, sys
a = array.array("f")
data = open(sys.argv[1], "rb").read()
a.frombytes(data[: len(data) // 4 * 4])
print(max((abs(x) for x in a), default=0.0))' "$SDL_DISKAUDIOFILE"; }
loud() { [ -s "$SDL_DISKAUDIOFILE" ] && "$python" -c "import sys; sys.exit(0 if float('$(peak)') > 0.05 else 1)"; }
wait_for 20 test -s "$SDL_DISKAUDIOFILE" || fail "SDL's disk audio file never appeared"
loud && fail "sound before the play key"

# The bound key starts the first block; its tone reaches the audio file.
focus_main
xdotool key --window "$window" p
wait_for 20 loud || fail "the first block's key did not start the tone"
echo "tone heard, peak $(peak)"

# The file that cannot be played is skipped: the block goes on to its last
# item, whose tone (0.25) is louder than the first's (0.125).
last_item() { "$python" -c "import sys; sys.exit(0 if float('$(peak)') > 0.2 else 1)"; }
wait_for 20 last_item || { fail "the block stopped at the file that cannot be played (peak $(peak))"; }
echo "the block played on to its last item, peak $(peak)"
# Its row says so to a screen reader: the mark's name and the row's description.
marked=""
find_mark() { marked=$("$python" "$here/x11.py" described 'Impossibile riprodurre il file: ' 2>/dev/null); [ -n "$marked" ]; }
wait_for 10 find_mark || fail "the row of the file that cannot be played carries no mark"
echo "marked: $marked"

# The fade transition, then a click 6 points under the centre of the fade
# time's up arrow: inside its 16 x 16 points, so the time goes up one step.
wait_for 20 find_named Fade || fail "the fade segment is not in the accessibility tree"
xdotool mousemove --sync $xy click 1
fade_stored() { grep -q 'Vellumcast.transition.style=fade' "$conf"; }
wait_for 10 fade_stored || fail "clicking the fade segment did not choose it"
fade_time() { sed -n 's/^Vellumcast.transition.fadeSeconds=//p' "$conf"; }
before=$(fade_time)
wait_for 10 find_named 'Aumenta: durata della transizione' || fail "the fade time's up arrow is not in the accessibility tree"
read -r x y <<<"$xy"
xdotool mousemove --sync "$x" $((y + 6)) click 1
# Up, not down: the down arrow lies right under it (none stored: 1 s).
stepped() { [ -n "$(fade_time)" ] && "$python" -c "import sys; sys.exit(0 if float('$(fade_time)') > float('${before:-1.0}') + 0.05 else 1)"; }
wait_for 10 stepped || fail "a click 6 points under the up arrow's centre did not step the fade time"
echo "fade time stepped from ${before:-its default} to $(fade_time) from the edge of its arrow"

# The schedule tab, found by its accessible name and clicked for real.
if wait_for 20 find_named Palinsesto; then
  xdotool mousemove --sync $xy click 1
  stored() { grep -q 'Vellumcast.sidePanel.tab=schedule' "$conf"; }
  wait_for 10 stored || fail "clicking the schedule tab did not select it"
  echo "schedule tab selected through the accessibility tree"
else
  fail "the schedule tab is not in the accessibility tree"
fi

# Keyboard
# Escape and Return in the event editor act at the first press, with the
# focus in the hour field; Tab reaches a row's play button and Return plays
# that row; the space bar is play/pause after a mouse click on a button.
editor_open() { xdotool search --name '^Nuovo evento$' >/dev/null 2>&1; }
editor_gone() { ! editor_open; }
edit_new_event_hour() { # DIGITS: a new event with DIGITS typed into its hour field
  focus_main
  wait_for 10 find_named 'Aggiungi un evento al palinsesto' || fail "no button for a new event"
  xdotool mousemove --sync $xy click 1
  wait_for 10 editor_open || fail "the event editor did not open"
  wait_for 10 find_named Ora || fail "the event editor shows no hour field"
  xdotool mousemove --sync $xy click 1
  xdotool key ctrl+a type "$1"
}
show_file=$work/show/Smoke.vellumcast
stored_times() { "$python" "$here/keys.py" schedule "$show_file" | tr '\n' ' '; }
edit_new_event_hour 05
xdotool key Escape
wait_for 5 editor_gone || fail "the first Escape in the hour field did not cancel the event editor"
edit_new_event_hour 21
xdotool key Return
wait_for 5 editor_gone || fail "the first Return in the hour field did not save the event"
# Saved once the window's title says the show has changed.
modified() { xdotool getwindowname "$window" | grep 'modificato' >/dev/null; }
wait_for 10 modified || fail "the saved event did not change the show"
focus_main
xdotool key ctrl+s
saved_at_21() { [[ "$(stored_times)" =~ ^21:[0-9]{2}\ $ ]]; }
wait_for 10 saved_at_21 || fail "the show holds not just the event at the typed hour 21: $(stored_times)"
echo "event editor: Escape cancelled, Return saved $(stored_times)"

# The program's sound of the last quarter second: "LOWEST HIGHEST".
recent() { "$python" -c '
import array, os, sys
path = sys.argv[1]
size = os.path.getsize(path) // 4 * 4
n = 24000
with open(path, "rb") as f:
    f.seek(max(0, size - n * 4))
    data = f.read(n * 4)
a = array.array("f")
a.frombytes(data[: len(data) // 4 * 4])
print(min(a, default=0.0), max(a, default=0.0))' "$SDL_DISKAUDIOFILE"; }
silent_now() { recent | "$python" -c 'import sys; lo, hi = map(float, sys.stdin.read().split()); sys.exit(0 if max(-lo, hi) < 0.01 else 1)'; }
# The second block's clip is a sine: it swings below zero, the first block's tones never do.
sine_now() { recent | "$python" -c 'import sys; lo, hi = map(float, sys.stdin.read().split()); sys.exit(0 if lo < -0.05 and hi > 0.05 else 1)'; }
wait_for 20 silent_now || fail "the first block did not end in silence"
wait_for 10 find_named Blocchi || fail "no blocks tab"
xdotool mousemove --sync $xy click 1
"$python" "$here/keys.py" tab-to 'Riproduci da qui, Sigla' Sigla || fail "Tab does not reach the play button of the second block's row"
xdotool key Return
wait_for 10 sine_now || fail "Return on the focused play button of the second block's row did not play it"
echo "Tab and Return played the second block's row"
find_named Blocchi || fail "no blocks tab"
xdotool mousemove --sync $xy click 1
xdotool key space
wait_for 10 silent_now || fail "the space bar after a click on a button did not pause"
xdotool key space
wait_for 10 sine_now || fail "the space bar after a click on a button did not play again"
echo "the space bar paused and played after a click on a button"
modified && fail "the keys changed the show: $(xdotool getwindowname "$window")"

# Near-end warning
# The third block: a 2 s tone, near its end from the start, plays out into a
# live item (an NDI source: it fails at once and stays on air, silent). The
# time left then reads a steady blue "LIVE", sampled over several blink
# phases of the end warning.
focus_main
xdotool key d
live_readout() { named LIVE; }
wait_for 20 live_readout || fail "the live item after the tone never showed LIVE as the time left"
inks=$("$python" "$here/x11.py" ink LIVE 8 2>/dev/null) || fail "the time left LIVE is not on the screen"
[[ "$inks" =~ ^blue( blue){7}$ ]] || fail "the time left over the live item is not a steady blue LIVE: $inks"
echo "after the tone, the live item's time left reads a steady blue LIVE ($inks)"
xdotool key s
off_air() { ! live_readout; }
wait_for 10 off_air || fail "the stop key did not take the live item off the air"

# Screen reader
# The blocks again, through the tree; their rows are list items read as the
# operator reads them.
wait_for 10 find_named Blocchi 'push button' || fail "the blocks tab is not in the accessibility tree"
xdotool mousemove --sync $xy click 1
wait_for 10 named 'Prima, 00:00:02' 'list item' || { "$python" "$here/x11.py" dump; fail "the first item's row is not a list item named with its name and length"; }
# The browser's list, 200 files long, read as the operator reads it: the
# wheel takes it to its end and back, and the rows shown there are named
# after their own files (rows far from the view are given to others). Past
# the first row, a row is looked for by its name alone ("Voce 200,"): the
# lengths of files far down may still be read on a busy machine.
shown_row() { find_shown "$1" 'list item'; }
wait_for 20 shown_row 'Voce 001, 00:00:02' || { "$python" "$here/x11.py" dump; fail "the browser's first row is not a list item named with its name and length"; }
xdotool mousemove --sync $xy click --repeat 200 --delay 5 5
wait_for 10 shown_row 'Voce 200,' || fail "the wheel did not bring the browser's last row into view"
shown_row 'Voce 001,' && fail "the browser's first row is still shown at the end of the list"
shown_row 'Voce 199,' || fail "the row before the last is not shown with its own name"
xdotool click --repeat 200 --delay 5 4
wait_for 10 shown_row 'Voce 001,' || fail "the wheel did not bring the browser's first row back"
shown_row 'Voce 200,' && fail "the browser's last row is still shown at the top of the list"
echo "browser rows named after their own files at the end of the list and back at the top"
# Into a block by keyboard only: Shift+Tab reaches the browser's first row,
# Shift+F10 opens its menu, whose second entry adds the file to the second
# block ("Apertura"), as a drop on its card would; the show, saved, holds it.
"$python" "$here/keys.py" back-to 'Voce 001, 00:00:02' || fail "Shift+Tab does not reach the browser's first row"
xdotool key shift+F10
wait_for 10 named 'Aggiungi al blocco “Apertura”' || fail "Shift+F10 on the browser row shows no entry for the block Apertura"
xdotool key Down Down Return
wait_for 10 modified || fail "the browser row's menu did not add its file to a block"
focus_main
xdotool key ctrl+s
added() { "$python" "$here/keys.py" items "$show_file" Apertura | grep -x 'voci/Voce 001.wav' >/dev/null; }
wait_for 10 added || fail "the block holds not the file added by keyboard: $("$python" "$here/keys.py" items "$show_file" Apertura | tr '\n' ' ')"
echo "a browser file went into a block by keyboard alone"
# The blocks column, 200 files in its last block: past a few pages
# of rows, those far from the view are given to the items coming into it,
# in any block, and every row shown is named after its own item.
wait_for 10 shown_row 'Prima, 00:00:02' || fail "the first block's first row is not shown"
xdotool mousemove --sync $xy click --repeat 400 --delay 5 5
wait_for 15 shown_row 'Coro 200,' || fail "the wheel did not bring the last block's last row into view"
shown_row 'Coro 199,' || fail "the block row before the last is not shown with its own name"
shown_row 'Prima,' && fail "the first block's first row is still shown at the end of the blocks"
xdotool click --repeat 400 --delay 5 4
wait_for 15 shown_row 'Prima,' || fail "the wheel did not bring the first block's first row back"
shown_row 'Coro 200,' && fail "the last block's last row is still shown at the top of the blocks"
echo "block rows named after their own items at the end of the blocks and back at the top"
# Keys in the blocks column: after a click on the first row's gain slider,
# Right moves it one step and the screen reader reads the new value; Alt+Down
# then moves that row one place down its block, as a drag does, and the show
# saved holds the new order.
gain='Guadagno della traccia — doppio clic per riportarlo a 0 dB, Prima'
wait_for 10 find_shown "$gain" slider || { "$python" "$here/x11.py" dump; fail "the first row's gain slider is not in the tree, named with its row"; }
xdotool mousemove --sync $xy click 1
gain_value() { "$python" "$here/x11.py" value "$gain"; }
# The click in the middle of the track sets a gain other than 0 dB.
set_gain=""
clicked() { set_gain=$(gain_value) && "$python" -c "import sys; sys.exit(0 if float('$set_gain') != 0 else 1)"; }
wait_for 5 clicked || fail "the click on the gain slider did not set it: $(gain_value)"
xdotool key Right
gain_stepped() { "$python" -c "import sys; sys.exit(0 if abs(float('$(gain_value)') - float('$set_gain') - 0.5) < 1e-6 else 1)"; }
wait_for 5 gain_stepped || fail "Right on the focused gain slider did not move it a step (from $set_gain to $(gain_value))"
echo "gain slider: Right moved it from $set_gain to $(gain_value) dB, read through the tree"
xdotool key alt+Down
xdotool key ctrl+s
first_block() { "$python" "$here/keys.py" items "$show_file" Guasto | tr '\n' ' '; }
moved_down() { [ "$(first_block)" = "Rotto.mp4 Prima.wav Ultima.wav " ]; }
wait_for 10 moved_down || fail "Alt+Down did not move the focused row one place down: $(first_block)"
echo "Alt+Down moved the row: $(first_block)"

# The IN/OUT editor, opened with a real click on its button found in the
# tree, is there as a dialog with its controls (a popup window, which Qt
# leaves out of the tree by itself), and Escape takes it away again.
wait_for 10 find_named 'Punti IN/OUT, Prima' 'push button' || { "$python" "$here/x11.py" dump; fail "no IN/OUT button in the accessibility tree"; }
xdotool mousemove --sync $xy click 1
controls=""
trim_shown() { controls=$("$python" "$here/x11.py" window dialog 'Punti IN/OUT, Prima' 'Reimposta punti IN/OUT' 'Punto IN' 'Punto OUT' 2>/dev/null); }
wait_for 10 trim_shown || fail "the IN/OUT editor is not in the accessibility tree"
echo "IN/OUT editor in the tree: $controls"
# Tab reaches its IN marker, and Right moves it by one frame (1/25 s).
"$python" "$here/keys.py" tab-to 'Punto IN' || fail "Tab does not reach the IN marker"
xdotool key Right
in_moved() { "$python" -c "import sys; sys.exit(0 if abs(float('$("$python" "$here/x11.py" value 'Punto IN')') - 0.04) < 1e-6 else 1)"; }
wait_for 10 in_moved || fail "Right did not move the IN marker by one frame: $("$python" "$here/x11.py" value 'Punto IN')"
echo "Right moved the IN marker by one frame"
xdotool key Escape
trim_gone() { ! "$python" "$here/x11.py" window dialog 'Punti IN/OUT, Prima' >/dev/null 2>&1; }
wait_for 10 trim_gone || fail "the IN/OUT editor stays in the tree after Escape"
# The moved IN point is saved, so that the show closes without a question.
focus_main
xdotool key ctrl+s
unmodified() { ! modified; }
wait_for 10 unmodified || fail "the show with the moved IN point was not saved"
# A cue and a take are each announced on the accessibility bus with the
# item's name.
listen
focus_main
find_cue() { xy=$("$python" "$here/keys.py" at 'Prepara (cue) senza avviare la riproduzione, Prima' Prima 2>/dev/null); [ -n "$xy" ]; }
wait_for 10 find_cue || fail "no cue button on the first item's row"
xdotool mousemove --sync $xy click 1
expect_heard 'In cue: Prima' "the cue"
wait_for 10 find_named 'Manda in onda' || fail "no take button"
xdotool mousemove --sync $xy click 1
expect_heard 'In onda: Prima' "the take"
stop_listening
# The take put the first block on air: stopped, and silent, before the
# settings below, whose check of Space must hear only what Space might start.
focus_main
xdotool key s
wait_for 20 silent_now || fail "the stop key did not silence the block the take put on air"

# The settings window is a frame with its sections and the shown page's controls.
wait_for 10 find_named Impostazioni 'push button' || fail "no settings button in the accessibility tree"
xdotool mousemove --sync $xy click 1
settings_shown() {
  controls=$("$python" "$here/x11.py" window frame Impostazioni Streaming Scorciatoie Lingua 'Risoluzione' 2>/dev/null)
}
wait_for 15 settings_shown || fail "the settings window is not a frame with its controls in the accessibility tree"
echo "settings window in the tree: $controls"
# From a stop, Space on a switch of the settings window reached with Tab
# toggles it (the setting is stored) and puts nothing on air: no sound, and
# the live item last on air (what play/pause would resume) stays off.
wait_for 10 find_named 'Regia ATEM' 'push button' || fail "no ATEM section in the settings window"
xdotool mousemove --sync $xy click 1
wait_for 10 named 'Attiva auto-take da ATEM' 'check box' || { "$python" "$here/x11.py" dump; fail "the ATEM section shows no switch"; }
"$python" "$here/keys.py" tab-to 'Attiva auto-take da ATEM' || fail "Tab does not reach the ATEM switch"
grep -q 'Vellumcast.atem.v1.enabled=true' "$conf" && fail "the ATEM switch was on before Space"
xdotool key space
atem_on() { grep -q 'Vellumcast.atem.v1.enabled=true' "$conf"; }
wait_for 10 atem_on || fail "Space on the focused ATEM switch did not toggle it"
# Given two seconds to show, either would be a fault.
wait_for 2 live_readout && fail "Space on a settings switch put the live item back on air"
loud_now() { ! silent_now; }
wait_for 2 loud_now && fail "Space on a settings switch put sound on air"
echo "Space toggled the settings switch and nothing went on air"

# Closing the window (unchanged show: no question) ends the process.
"$python" "$here/x11.py" close "$window"
ended 30 "the window closed"

#!/usr/bin/env bash
# Runs the real program under a private X server and checks, from outside,
# what a keyboard and a screen reader meet outside the block rows:
# - play, pause, resume and stop (Space, Space, Space, the Stop button) and
#   an overlay layer shown and hidden (its button) are each announced on the
#   accessibility bus, in the interface's language, with the item's or the
#   layer's name;
# - Ctrl+, opens the settings window, Ctrl+W closes it, and Ctrl+W pressed
#   again (a key held a little long) leaves the main window and the program
#   running: the settings window opens again after it.
#   keys_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"

settings_open() { xdotool search --onlyvisible --name '^Impostazioni$' >/dev/null 2>&1; }
settings_gone() { ! settings_open; }

# A show of one long clip and two layers holding a still, in Italian.
cp "$media/clip_30s.mp4" "$work/show/Sigla.mp4"
cp "$media/still.png" "$work/show/Logo.png"
layer='{"loops":false,"offsetX":0,"offsetY":0,"opacity":1,"path":"'$work/show/Logo.png'","relativePath":"Logo.png","scale":1}'
cat > "$work/show/Tasti.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
 "items":[$(item Sigla.mp4)],
 "loop":false,"loopCount":0,"name":"Apertura","normalizeAudio":false}],
 "browser":[],"layers":[$layer,$layer],"version":1}
JSON
settings "Vellumcast.lastShowPath=\"$work/show/Tasti.vellumcast\""
launch
wait_for 60 find_window '^Tasti' || fail "the show's window did not come"

listen

# The transport: Space plays, pauses and resumes; the Stop button stops.
# The window answers the accessibility bus once it is laid out and its
# event loop runs (a slow build, such as a sanitizer's, takes seconds).
wait_for 60 find_shown 'Stop' 'push button' || fail "no Stop button in the window"
focus_main
xdotool key space
expect_heard 'In onda: Sigla' "the start"
xdotool key space
expect_heard 'In pausa: Sigla' "the pause"
xdotool key space
expect_heard 'Ripresa: Sigla' "the resume"
click_named 'Stop' 'push button'
expect_heard 'Fermato: Sigla' "the stop"

# An overlay layer shown, then hidden, by its button.
click_named 'MOSTRA, Layer 1' 'push button'
expect_heard 'Layer in onda: Layer [12]' "the layer shown"
click_named 'IN ONDA, Layer 1' 'push button'
expect_heard 'Layer nascosto: Layer [12]' "the layer hidden"
stop_listening

# Ctrl+W closes the settings window and never the main window.
focus_main
xdotool key ctrl+comma
wait_for 10 settings_open || fail "Ctrl+, did not open the settings window"
xdotool key ctrl+w
wait_for 10 settings_gone || fail "Ctrl+W did not close the settings window"
focus_main
xdotool key ctrl+w ctrl+w
# Keys are taken in order: the settings window opening after them shows the
# two Ctrl+W were handled, and left the program running.
xdotool key ctrl+comma
wait_for 10 settings_open || fail "the settings window did not open after Ctrl+W in the main window"
alive || fail "Ctrl+W in the main window ended the program"
find_window '^Tasti' || fail "Ctrl+W in the main window closed it"
echo "Ctrl+W: the settings window closed, the main window stayed"

# Closing the main window by its title bar still ends the program cleanly.
"$python" "$here/x11.py" close "$window"
ended 20 "the main window closed"

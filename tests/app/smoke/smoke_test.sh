#!/usr/bin/env bash
# Runs the real program under a private X server and drives it from outside:
# it reopens the stored last show (generated media), a stored play/pause key
# starts the program and its tone reaches SDL's disk audio file, a file that
# cannot be played in the middle of the block is skipped so the block plays
# through to its last item, and that file's row carries the mark of it in the
# accessibility tree, the fade transition is chosen and its stepper's up arrow
# takes a click near its lower edge, the side
# panel's schedule tab is found through the accessibility tree and clicked,
# the IN/OUT editor and the settings window appear in the accessibility tree
# with their controls, and closing the window ends the process with status 0.
#   smoke_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3

for tool in Xvfb xdotool dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (tools/setup.sh installs it)"; exit 77; }
done
"$python" -c 'import Xlib, pyatspi' 2>/dev/null || { echo "SKIP: python3-xlib or python3-pyatspi missing"; exit 77; }

if [ -z "${SMOKE_INNER:-}" ]; then
  # Own X server and own D-Bus session (the accessibility bus lives there).
  export SMOKE_INNER=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" dbus-run-session -- bash "$0" "$@"
fi

work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The user's settings and show live in the test's own home.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Vellumcast" "$XDG_RUNTIME_DIR" "$work/show"
chmod 700 "$XDG_RUNTIME_DIR"
# A keyring of this session's own, unlocked: the stream destinations read
# their addresses from it at start, and a keyring of an outer session (the
# test runner's) cannot serve this bus.
unset GNOME_KEYRING_CONTROL
if command -v gnome-keyring-daemon >/dev/null; then
  eval "$(printf tessarin | gnome-keyring-daemon --unlock --components=secrets)" >/dev/null
  export GNOME_KEYRING_CONTROL
fi
cp "$media/clip_30s.mp4" "$work/show/Sigla.mp4"
# The first block: a quiet tone, a text file named as a video, a louder tone.
cp "$media/const_eighth.wav" "$work/show/Prima.wav"
cp "$media/const_quarter.wav" "$work/show/Ultima.wav"
echo "questo non è un video" > "$work/show/Rotto.mp4"
item() { # NAME
  echo "{\"gainDB\":0,\"inPoint\":0,\"isMuted\":false,\"loop\":false,\"path\":\"$work/show/$1\",\"relativePath\":\"$1\"}"
}
cat > "$work/show/Smoke.vellumcast" <<JSON
{"blocks":[{"endBehavior":"pauseBlack","id":"5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4E",
 "items":[$(item Prima.wav),$(item Rotto.mp4),$(item Ultima.wav)],
 "loop":false,"loopCount":0,"name":"Guasto","normalizeAudio":false},
 {"endBehavior":"stop","id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
 "items":[$(item Sigla.mp4)],
 "loop":false,"loopCount":0,"name":"Apertura","normalizeAudio":false}],
 "browser":[],"layers":[],"version":1}
JSON
# The last show, and play/pause on the P key (key code 35, no modifiers).
"$python" - "$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini" "$work/show/Smoke.vellumcast" <<'PY'
import sys
conf, show = sys.argv[1], sys.argv[2]
def ini(s):
    return '"' + s.replace('\\', '\\\\').replace('"', '\\"') + '"'
bindings = '{"playPause":"{\\"keyCode\\":35,\\"modifiers\\":0}"}'
with open(conf, 'w') as f:
    f.write('[General]\n')
    f.write('Vellumcast.lastShowPath=' + ini(show) + '\n')
    f.write('Vellumcast.shortcuts.v1=' + ini(bindings) + '\n')
    f.write('Vellumcast.language=it\n')
PY

export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/audio.raw
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
"$binary" >"$work/log.txt" 2>&1 &
pid=$!

wait_for() { # seconds, command...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
}

# The window shows the reopened show's name.
window=""
find_window() { window=$(xdotool search --name '^Smoke' 2>/dev/null | head -1); [ -n "$window" ]; }
wait_for 30 find_window || { cat "$work/log.txt"; fail "no main window titled with the show's name"; }
echo "main window $window: $(xdotool getwindowname "$window")"

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

# The bound key starts the program; its tone reaches the audio file.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" p
wait_for 20 loud || { cat "$work/log.txt"; fail "the play/pause key did not start the tone"; }
echo "tone heard, peak $(peak)"

# The file that cannot be played is skipped: the block goes on to its last
# item, whose tone (0.25) is louder than the first's (0.125).
last_item() { "$python" -c "import sys; sys.exit(0 if float('$(peak)') > 0.2 else 1)"; }
wait_for 20 last_item || { cat "$work/log.txt"; fail "the block stopped at the file that cannot be played (peak $(peak))"; }
echo "the block played on to its last item, peak $(peak)"
# Its row says so to a screen reader: the mark's name and the row's description.
marked=""
find_mark() { marked=$("$python" "$here/x11.py" described 'Impossibile riprodurre il file: ' 2>/dev/null); [ -n "$marked" ]; }
wait_for 10 find_mark || fail "the row of the file that cannot be played carries no mark"
echo "marked: $marked"

# The fade transition, then a click 6 points under the centre of the fade
# time's up arrow: inside its 16 x 16 points, so the time goes up one step.
conf=$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini
find_fade() { xy=$("$python" "$here/x11.py" find Fade 2>/dev/null); [ -n "$xy" ]; }
wait_for 20 find_fade || fail "the fade segment is not in the accessibility tree"
xdotool mousemove --sync $xy click 1
fade_stored() { grep -q 'Vellumcast.transition.style=fade' "$conf"; }
wait_for 10 fade_stored || fail "clicking the fade segment did not choose it"
fade_time() { sed -n 's/^Vellumcast.transition.fadeSeconds=//p' "$conf"; }
before=$(fade_time)
find_up() { xy=$("$python" "$here/x11.py" find Aumenta 2>/dev/null); [ -n "$xy" ]; }
wait_for 10 find_up || fail "the fade time's up arrow is not in the accessibility tree"
read -r x y <<<"$xy"
xdotool mousemove --sync "$x" $((y + 6)) click 1
# Up, not down: the down arrow lies right under it (none stored: 1 s).
stepped() { [ -n "$(fade_time)" ] && "$python" -c "import sys; sys.exit(0 if float('$(fade_time)') > float('${before:-1.0}') + 0.05 else 1)"; }
wait_for 10 stepped || fail "a click 6 points under the up arrow's centre did not step the fade time"
echo "fade time stepped from ${before:-its default} to $(fade_time) from the edge of its arrow"

# The schedule tab, found by its accessible name and clicked for real.
xy=""
find_tab() { xy=$("$python" "$here/x11.py" find Palinsesto 2>/dev/null); [ -n "$xy" ]; }
if wait_for 20 find_tab; then
  xdotool mousemove --sync $xy click 1
  stored() { grep -q 'Vellumcast.sidePanel.tab=schedule' "$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini"; }
  wait_for 10 stored || fail "clicking the schedule tab did not select it"
  echo "schedule tab selected through the accessibility tree"
else
  fail "the schedule tab is not in the accessibility tree"
fi

# Screen reader
# The blocks again, through the tree; their rows are list items read as the
# operator reads them.
find_blocks() { xy=$("$python" "$here/x11.py" find Blocchi 'push button' 2>/dev/null); [ -n "$xy" ]; }
wait_for 10 find_blocks || fail "the blocks tab is not in the accessibility tree"
xdotool mousemove --sync $xy click 1
find_row() { "$python" "$here/x11.py" find 'Prima, 00:00:02' 'list item' >/dev/null 2>&1; }
wait_for 10 find_row || { "$python" "$here/x11.py" dump; fail "the first item's row is not a list item named with its name and length"; }
# The IN/OUT editor, opened with a real click on its button found in the
# tree, is there as a dialog with its controls (a popup window, which Qt
# leaves out of the tree by itself), and Escape takes it away again.
find_trim() { xy=$("$python" "$here/x11.py" find 'Punti IN/OUT' 'push button' 2>/dev/null); [ -n "$xy" ]; }
wait_for 10 find_trim || { "$python" "$here/x11.py" dump; fail "no IN/OUT button in the accessibility tree"; }
xdotool mousemove --sync $xy click 1
controls=""
trim_shown() { controls=$("$python" "$here/x11.py" window dialog 'Punti IN/OUT' 'Reimposta punti IN/OUT' 'Punto IN' 'Punto OUT' 2>/dev/null); }
wait_for 10 trim_shown || fail "the IN/OUT editor is not in the accessibility tree"
echo "IN/OUT editor in the tree: $controls"
xdotool key Escape
trim_gone() { ! "$python" "$here/x11.py" window dialog 'Punti IN/OUT' >/dev/null 2>&1; }
wait_for 10 trim_gone || fail "the IN/OUT editor stays in the tree after Escape"
# The settings window is a frame with its sections and the shown page's controls.
find_settings() { xy=$("$python" "$here/x11.py" find Impostazioni 'push button' 2>/dev/null); [ -n "$xy" ]; }
wait_for 10 find_settings || fail "no settings button in the accessibility tree"
xdotool mousemove --sync $xy click 1
settings_shown() {
  controls=$("$python" "$here/x11.py" window frame Impostazioni Streaming Scorciatoie Lingua 'Risoluzione' 2>/dev/null)
}
wait_for 15 settings_shown || fail "the settings window is not a frame with its controls in the accessibility tree"
echo "settings window in the tree: $controls"

# Closing the window (unchanged show: no question) ends the process.
"$python" "$here/x11.py" close "$window"
for _ in $(seq 1 150); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "the process is still running after the window closed"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || { cat "$work/log.txt"; fail "exit status $status"; }
echo "closed with status 0"

#!/usr/bin/env bash
# Runs the real program under a private X server with hostile last shows and
# at hostile moments:
# - a last show that is a pipe, then /dev/zero: the program comes up with
#   "Impossibile aprire lo show" and the reason, answers, and SIGTERM ends it
#   with status 0;
# - a last show of 3,000 items whose length, thumbnail and waveform are still
#   being worked out: closing the window, and SIGTERM, end the program at
#   once, cleanly, with status 0;
# - playback under way: with an item cued (its row's button), with the item
#   on air paused, and during a crossfade, the quit key (Ctrl+Q) and SIGTERM
#   each end the program at once, cleanly, with status 0.
#   end_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"

start() { # LAST_SHOW_PATH
  settings "Vellumcast.lastShowPath=\"$1\""
  launch
}

# A pipe and a device as the last show: refused with the reason, and the
# program answers (neither open() on the pipe nor reading the device holds it).
mkfifo "$work/show/Pipe.vellumcast"
for last in "$work/show/Pipe.vellumcast" /dev/zero; do
  start "$last"
  wait_for 30 named 'Impossibile aprire lo show' || fail "$last: no open failure alert"
  named 'Il percorso non indica un file ma una cartella, un dispositivo o una pipe.' \
    || fail "$last: the alert does not say why"
  xdotool key Return
  wait_for 10 find_window '^Show senza titolo' || fail "$last: no window after the alert"
  kill -TERM "$pid"
  ended 20 "$last refused, then SIGTERM"
done

# A big show, ended while its analysis is under way: by closing the window,
# then by SIGTERM. Every item is a file of its own (links of one clip with
# sound), so nothing is shared between them.
"$python" - "$media/clip_30s.mp4" "$work/show" 3000 <<'PY'
import json, os, sys
clip, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
os.mkdir(os.path.join(folder, 'clips'))
items = []
for n in range(count):
    path = os.path.join(folder, 'clips', 'Clip %04d.mp4' % n)
    os.link(clip, path)
    items.append({'path': path})
show = {'version': 1, 'browser': items[:count // 2], 'layers': [], 'schedule': [],
        'blocks': [{'name': 'Grande', 'loop': False, 'loopCount': 0, 'endBehavior': 'pauseBlack',
                    'normalizeAudio': False, 'items': items[count // 2:]}]}
with open(os.path.join(folder, 'Grande.vellumcast'), 'w') as f:
    json.dump(show, f)
PY
start "$work/show/Grande.vellumcast"
wait_for 60 find_window '^Grande' || fail "the big show's window did not come"
"$python" "$here/x11.py" close "$window"
ended 8 "the big show closed during its analysis"

start "$work/show/Grande.vellumcast"
wait_for 60 find_window '^Grande' || fail "the big show's window did not come"
kill -TERM "$pid"
ended 8 "the big show ended by SIGTERM during its analysis"

# Playback under way at the end: the players' threads stop with the program.
# A block of two long clips with sound; P plays the block, Space pauses, T
# takes the cued item, as a 10 s crossfade.
cp "$media/clip_30s.mp4" "$work/show/Uno.mp4"
ln "$work/show/Uno.mp4" "$work/show/Due.mp4"
cat > "$work/show/Fine.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"7A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
 "items":[$(item Uno.mp4),$(item Due.mp4)],
 "loop":false,"loopCount":0,"name":"Coda","normalizeAudio":false}],
 "browser":[],"layers":[],"version":1}
JSON
settings "$(shortcuts playBlock1=35 take=17 playPause=49)" \
  'Vellumcast.transition.style=fade' 'Vellumcast.transition.fadeSeconds=10'
find_cue() { xy=$("$python" "$here/keys.py" at "Prepara (cue) senza avviare la riproduzione, $1" "$1" 2>/dev/null); [ -n "$xy" ]; }
cue() { # NAME: its row's cue button
  wait_for 30 find_cue "$1" || fail "no cue button on the $1 row"
  xdotool mousemove --sync $xy click 1
  expect_heard "In cue: $1" "the cue of $1"
}
listen
for state in cued paused crossfade; do
  for way in quit term; do
    : >"$heard"
    launch "$work/show/Fine.vellumcast"
    wait_for 60 find_window '^Fine' || fail "$state: the show's window did not come"
    wait_for 60 find_shown 'Stop' 'push button' || fail "$state: no Stop button in the window"
    case $state in
      cued) cue Uno ;;
      paused)
        focus_main; xdotool key p
        expect_heard 'In onda: Uno' "$state: the start"
        xdotool key space
        expect_heard 'In pausa: Uno' "$state: the pause" ;;
      crossfade)
        focus_main; xdotool key p
        expect_heard 'In onda: Uno' "$state: the start"
        cue Due
        focus_main; xdotool key t
        expect_heard 'In onda: Due' "$state: the take" ;;
    esac
    if [ "$way" = quit ]; then focus_main; xdotool key ctrl+q; else kill -TERM "$pid"; fi
    ended 8 "$state, then $way"
  done
done
stop_listening

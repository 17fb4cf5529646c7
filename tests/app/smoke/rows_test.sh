#!/usr/bin/env bash
# Runs the real program under a private X server and goes over its rows with
# the pointer and the keyboard, as an operator would:
# - every kind of block row (a clip, a still image, a live source, a file
#   that cannot be played, on air, cued, looping, muted), a browser row and
#   a schedule row take a left click every 12 pixels along the middle of
#   each line of their controls, each followed by Escape, then a double
#   click and a right click at the same points: the program survives them
#   all and still answers;
# - Tab from the first row of a block walks every row's controls of that
#   block and the next once, then leaves the rows; Shift+Tab walks back
#   through the same controls;
# - SIGTERM then ends it with status 0.
#   rows_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3

source "$here/session.sh"
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/log.txt" ] && tail -n 40 "$work/log.txt"; exit 1; }

# The rows' block, from its last row up: a row swept by the pointer may be
# removed by its own remove button, and only the rows below it move up.
cp "$media/clip_5s.mov" "$work/show/Sigla.mov"
cp "$media/still.png" "$work/show/Foto.png"
echo "questo non è un video" > "$work/show/Rotto.mp4"
for name in Giro Muto Pronta; do cp "$media/clip_5s.mov" "$work/show/$name.mov"; done
cp "$media/clip_30s.mp4" "$work/show/Onda.mp4"
for name in Uno Due Tre Quattro Voce; do cp "$media/tone_half.wav" "$work/show/$name.wav"; done
item() { # NAME [LOOP] [MUTED]
  echo "{\"gainDB\":0,\"inPoint\":0,\"isMuted\":${3:-false},\"loop\":${2:-false},\"path\":\"$work/show/$1\",\"relativePath\":\"$1\"}"
}
live='{"gainDB":0,"inPoint":0,"isMuted":false,"loop":false,
  "liveSource":{"address":"","id":"3A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C51","kind":"ndi","listen":false,"name":"Regia"}}'
start=$(( $(date +%s) + 7200 ))
cat > "$work/show/Righe.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4E",
 "items":[$(item Sigla.mov),$(item Foto.png),$live,$(item Rotto.mp4),$(item Giro.mov true),
  $(item Muto.mov false true),$(item Onda.mp4),$(item Pronta.mov)],
 "loop":false,"loopCount":0,"name":"Righe","normalizeAudio":false},
 {"endBehavior":"stop","id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
 "items":[$(item Uno.wav),$(item Due.wav)],"loop":false,"loopCount":0,"name":"Coppia","normalizeAudio":false},
 {"endBehavior":"stop","id":"1A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4F",
 "items":[$(item Tre.wav),$(item Quattro.wav)],"loop":false,"loopCount":0,"name":"Ultimo","normalizeAudio":false}],
 "browser":[$(item Voce.wav)],"layers":[],
 "schedule":[{"id":"11111111-2222-3333-4444-555555555555","start":"manual","repeats":"none","isEnabled":true,
  "date":$start,"duration":0,"blockID":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"}],"version":1}
JSON
printf '[General]\nVellumcast.language=it\n' > "$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini"

export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
"$binary" "$work/show/Righe.vellumcast" >"$work/log.txt" 2>&1 &
pid=$!

alive() { kill -0 "$pid" 2>/dev/null; }
wait_for() { # seconds, command...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    alive || return 1
    sleep 0.2
  done
}
window=""
find_window() { window=$(xdotool search --name '^Righe' 2>/dev/null | head -1); [ -n "$window" ]; }
wait_for 30 find_window || fail "no main window"
focus_main() { xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"; }
xy=""
find_named() { xy=$("$python" "$here/x11.py" find "$1" 2>/dev/null); [ -n "$xy" ]; }
click_named() { # NAME
  wait_for 10 find_named "$1" || fail "nothing named $1"
  xdotool mousemove --sync $xy click 1
}
failed_shown() { "$python" "$here/x11.py" described 'Rotto, 00:00:00, Impossibile riprodurre il file: ' >/dev/null 2>&1; }
wait_for 30 find_named 'Riproduci da qui, Sigla' || fail "the rows are not in the accessibility tree"

points=""
find_points() { points=$("$python" "$here/rows.py" lines "$1" 2>/dev/null); [ -n "$points" ]; }
# Clicks, double clicks and right clicks along the lines of the row named
# PREFIX..., each followed by Escape; the program must live through each.
sweep() { # PREFIX
  wait_for 10 find_points "$1" || fail "no shown row named $1..."
  local count clicks
  count=$(wc -l <<<"$points")
  for clicks in "click 1" "click --repeat 2 --delay 60 1" "click 3"; do
    local chain=()
    while read -r x y; do
      chain+=(mousemove "$x" "$y" $clicks key Escape)
    done <<<"$points"
    focus_main
    xdotool "${chain[@]}" || true
    alive || fail "the program ended during the ${clicks% *}s on the row $1... ($(wait "$pid"; echo "status $?"))"
  done
  echo "row $1...: $count points clicked, double-clicked and right-clicked"
}

# On air and cued when their turn comes, from the bottom up.
for row in Pronta Onda Muto Giro Rotto Regia Foto Sigla; do
  case $row in
    Onda) click_named 'Riproduci da qui, Onda' ;;
    Pronta) click_named 'Prepara (cue) senza avviare la riproduzione, Pronta' ;;
    Rotto)
      click_named 'Riproduci da qui, Rotto'
      wait_for 20 failed_shown || fail "the row of the file that cannot be played does not say why"
      echo "the failed row reads: $("$python" "$here/x11.py" described 'Rotto, ')" ;;
  esac
  sweep "$row, "
done
sweep 'Voce, '
focus_main
click_named Palinsesto
sweep 'Coppia'
echo "every kind of row took every click"

# Tab from the first row of a block: every control of its rows and of the
# next block's rows once, then out of the rows; Shift+Tab walks back.
focus_main
click_named Blocchi
"$python" "$here/keys.py" tab-to 'Punti IN/OUT, Uno' Uno || fail "Tab does not reach the first row of a block"
focused() { "$python" "$here/rows.py" focused; }
# Presses KEY and prints the name that takes the focus.
step() { # KEY BEFORE
  xdotool key "$1"
  local now=$2
  for _ in $(seq 30); do now=$(focused); [ "$now" != "$2" ] && break; sleep 0.1; done
  echo "$now"
}
row_control() { [[ "$1" =~ ,\ (Uno|Due|Tre|Quattro)$ ]]; }
first=$(focused)
walked=("$first")
# Until the focus leaves the last block's rows.
while [ ${#walked[@]} -lt 80 ]; do
  walked+=("$(step Tab "${walked[-1]}")")
  [[ "${walked[-2]}" =~ ,\ Quattro$ ]] && ! row_control "${walked[-1]}" && break
done
out=${walked[-1]}
controls=("${walked[@]:0:${#walked[@]}-1}")
row_control "$out" && fail "Tab never left the rows: ${walked[*]}"
repeated=$(printf '%s\n' "${controls[@]}" | sort | uniq -d)
[ -z "$repeated" ] || fail "Tab came back to $repeated: ${walked[*]}"
for name in Uno Due Tre Quattro; do
  for control in 'Punti IN/OUT' 'Riproduci da qui' 'Rimuovi dal blocco'; do
    printf '%s\n' "${controls[@]}" | grep -qxF "$control, $name" || fail "Tab never reached $control, $name: ${walked[*]}"
  done
done
echo "Tab walked ${#controls[@]} controls of four rows in two blocks once and left for: $out"
back=("$out")
while [ "${back[0]}" != "$first" ] && [ ${#back[@]} -le ${#walked[@]} ]; do
  back=("$(step shift+Tab "${back[0]}")" "${back[@]}")
done
[ "${back[*]}" = "${walked[*]}" ] || fail "Shift+Tab walked back another way: ${back[*]} (Tab: ${walked[*]})"
echo "Shift+Tab walked back through the same ${#controls[@]} controls"

alive || fail "the program ended"
kill -TERM "$pid"
status=0
for _ in $(seq 100); do alive || break; sleep 0.2; done
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "SIGTERM ended the program with status $status"
echo "SIGTERM ended the program with status 0"

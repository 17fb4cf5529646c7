#!/usr/bin/env bash
# Runs the real program under a private X server and goes over its rows with
# the pointer and the keyboard, as an operator would:
# - Tab from the first row of a block walks every control of its rows, the
#   next block's header and rows once, then leaves the column; Shift+Tab
#   walks back through the same controls;
# - every kind of block row (a clip, a still image, a live source, a file
#   that cannot be played, which says why, on air, cued, looping, muted), a
#   browser row and a schedule row take a left click every 12 pixels along
#   their middle and the middle of each line of their controls, each
#   followed by Escape, then a double click and a right click at the same
#   points: the program lives through them all and still answers;
# - SIGTERM then ends it with status 0.
#   rows_test.sh TESSARIN_BINARY TEST_MEDIA_DIR
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
media=${2:?media folder}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"

# The rows' block is the last one: a row swept by the pointer may be removed
# by its own remove button (and a double click removes the row that comes
# up under it): swept from the last row up, only rows swept already move.
cp "$media/clip_5s.mov" "$work/show/Sigla.mov"
cp "$media/still.png" "$work/show/Foto.png"
echo "questo non è un video" > "$work/show/Rotto.mp4"
for name in Giro Muto Pronta; do cp "$media/clip_5s.mov" "$work/show/$name.mov"; done
cp "$media/clip_30s.mp4" "$work/show/Onda.mp4"
for name in Tre Quattro Voce; do cp "$media/tone_half.wav" "$work/show/$name.wav"; done
live='{"gainDB":0,"inPoint":0,"isMuted":false,"loop":false,
  "liveSource":{"address":"","id":"3A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C51","kind":"ndi","listen":false,"name":"Regia"}}'
start=$(( $(date +%s) + 7200 ))
cat > "$work/show/Righe.vellumcast" <<JSON
{"blocks":[ {"endBehavior":"stop","id":"1A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4F",
 "items":[$(item Tre.wav),$(item Quattro.wav)],"loop":false,"loopCount":0,"name":"Seconda","normalizeAudio":false},
 {"endBehavior":"stop","id":"5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4E",
 "items":[$(item Sigla.mov),$(item Foto.png),$live,$(item Rotto.mp4),$(item Giro.mov true),
  $(item Muto.mov false true),$(item Onda.mp4),$(item Pronta.mov)],
 "loop":false,"loopCount":0,"name":"Righe","normalizeAudio":false}],
 "browser":[$(item Voce.wav)],"layers":[],
 "schedule":[{"id":"11111111-2222-3333-4444-555555555555","start":"manual","repeats":"none","isEnabled":true,
  "date":$start,"duration":0,"blockID":"1A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4F"}],"version":1}
JSON
settings
launch "$work/show/Righe.vellumcast"
wait_for 30 find_window '^Righe' || fail "no main window"
# As large as the screen: the blocks column holds all its rows without
# scrolling, so a row removed moves none of those above it.
xdotool windowmove --sync "$window" 0 0 windowsize --sync "$window" 1600 1000 || true
failed_shown() { "$python" "$here/x11.py" described 'Rotto, 00:00:00, Impossibile riprodurre il file: ' >/dev/null 2>&1; }
wait_for 30 find_named 'Riproduci da qui, Sigla' || fail "the rows are not in the accessibility tree"
# Where the first block's name field settles, the column at its top.
previous=""
settled() { find_named 'Nome blocco' && [ "$xy" = "$previous" ] || { previous=$xy; return 1; }; }
wait_for 10 settled || fail "the first block's name field does not settle"
top_xy=$xy

# Alive, and answering the accessibility bus (so past the events sent before).
answers() { wait_for 30 find_named Palinsesto; }
# Fails with how the program is: gone (and its status) or not answering.
lost() { # WHAT
  alive && fail "the program stopped answering $1"
  local status=0
  wait "$pid" || status=$?
  pid=""
  fail "the program ended with status $status $1"
}
points=""
find_points() { points=$("$python" "$here/rows.py" lines "$1" 2>/dev/null); [ -n "$points" ]; }
# A click, a double click and a right click at each point along the lines of
# the row named PREFIX..., each followed by Escape; the program must live
# through them all.
# The blocks column at its top, where removing a row moves none above it
# (scrolled down, the column would move them down as it shrinks).
# The first block's name field is where it was at the start once the column
# is back at its top: the wheel's steps are waited for, not slept through (a
# slow build scrolls late, and a row clicked while the column still moves is
# another row).
at_top() { find_named 'Nome blocco' && [ "$xy" = "$top_xy" ]; }
to_top() {
  local tries
  for tries in 1 2 3 4 5; do
    wait_for 10 find_named 'Nome blocco' || fail "no block name field"
    [ "$xy" = "$top_xy" ] && return 0
    xdotool mousemove $xy mousedown 4 mouseup 4 mousedown 4 mouseup 4 mousedown 4 mouseup 4 \
      mousedown 4 mouseup 4 mousedown 4 mouseup 4 mousedown 4 mouseup 4
    wait_for 3 at_top && return 0
  done
  fail "the blocks column does not come back to its top: its first name field is at $xy, not $top_xy"
}
sweep() { # PREFIX
  [[ "$1" =~ ^(Voce|MANUALE), ]] || to_top
  wait_for 10 find_points "$1" || fail "no shown row named $1...; the rows: $("$python" "$here/x11.py" dump | grep "^list item" | sed -n 1,20p | tr '\n' ' ')"
  local count
  count=$(wc -l <<<"$points")
  local began=$SECONDS
  # All three at one point before the next: a row's own remove button, at
  # the right of its top line (the last line), takes it away only at the end.
  # (xdotool's own click waits 100 ms between press and release.)
  local chain=()
  while read -r x y; do
    chain+=(mousemove "$x" "$y" mousedown 1 mouseup 1 key --delay 1 Escape sleep 0.01
            mousedown 1 mouseup 1 mousedown 1 mouseup 1 key --delay 1 Escape sleep 0.01
            mousedown 3 mouseup 3 key --delay 1 Escape sleep 0.01)
  done <<<"$points"
  focus_main
  xdotool "${chain[@]}" || true
  answers || lost "after the clicks on the row $1..."
  echo "row $1...: $count points clicked, double-clicked and right-clicked in $((SECONDS - began)) s"
}

# Tab from the first row of a block: every control of its rows, the last
# block's header and every control of its rows once, then out of the
# column; Shift+Tab walks back through the same controls.
focus_main
wait_for 10 find_named 'Punti IN/OUT, Tre' || fail "the first row of a block is not in the accessibility tree"
"$python" "$here/keys.py" tab-to 'Punti IN/OUT, Tre' Tre || fail "Tab does not reach the first row of a block"
rows='Tre|Quattro|Sigla|Foto|Regia|Rotto|Giro|Muto|Onda|Pronta'
row_control() { [[ "$1" =~ ,\ ($rows)$ ]]; }
walk=$("$python" "$here/rows.py" walk ", ($rows)\$" ', Pronta$')
mapfile -t walked < <(sed '/^--$/,$d' <<<"$walk")
mapfile -t back < <(sed '1,/^--$/d' <<<"$walk")
out=${walked[-1]}
controls=("${walked[@]:0:${#walked[@]}-1}")
row_control "$out" && fail "Tab never left the rows: ${walked[*]}"
[[ "${controls[-1]}" =~ ,\ Pronta$ ]] || fail "Tab left the rows before the last one: ${walked[*]}"
repeated=$(printf '%s\n' "${controls[@]}" | sort | uniq -d)
[ -z "$repeated" ] || fail "Tab came back to $repeated: ${walked[*]}"
for name in ${rows//|/ }; do
  for control in 'Riproduci da qui' 'Rimuovi dal blocco'; do
    printf '%s\n' "${controls[@]}" | grep -xF "$control, $name" >/dev/null || fail "Tab never reached $control, $name: ${walked[*]}"
  done
done
echo "Tab walked ${#controls[@]} controls of two blocks' rows once and left the column for: $out"
reversed=$(printf '%s\n' "${back[@]}" | tac)
[ "$reversed" = "$(printf '%s\n' "${walked[@]}")" ] || fail "Shift+Tab walked back another way: ${back[*]} (Tab: ${walked[*]})"
echo "Shift+Tab walked back through the same ${#controls[@]} controls"

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
sweep 'MANUALE, '
echo "every kind of row took every click"

alive || fail "the program ended"
kill -TERM "$pid"
ended 20 "SIGTERM"

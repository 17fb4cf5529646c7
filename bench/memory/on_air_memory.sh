#!/usr/bin/env bash
# Memory on air, side by side with mpv: the real program plays a 1080p50
# H.264 clip with AAC sound (60 s, made by ffmpeg) as the first item of its
# block on air, with the same clip as the block's next item (queued behind it
# for the join in its last ten seconds, as the program does), under a private X
# server as the outside smoke tests run it, with SDL's dummy sound driver;
# then mpv plays the same file under the same server (--ao=null, and
# --vo=null: it converts and draws nothing, the stricter reference). Each is
# sampled once a second from its tenth second to its fortieth in
# /proc/PID/smaps_rollup (the program also from its 51st to its 58th, the
# next item queued); printed are the private memory (Private_Clean +
# Private_Dirty), its written part alone (Private_Dirty: the heap, the
# pictures and the stacks, without the pages of libraries that no other
# process happens to map) and the resident size, median and largest, in MB
# (10^6 bytes), and the ratios of the medians of both private figures.
#   on_air_memory.sh TESSARIN_BINARY [CLIP]
# With TESSARIN_MEMORY_MPV_VO=x11 mpv draws its pictures in a window; with
# TESSARIN_MEMORY_SMAPS=DIR each one's last /proc/PID/smaps and thread names
# are kept in DIR, to see which mappings hold the memory.
set -euo pipefail
binary=${1:?binary}
clip_arg=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
for tool in ffmpeg mpv; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (apt-get install $tool: a reference only, not needed to build or test)"; exit 77; }
done

source "$here/../../tests/app/smoke/session.sh"
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/log.txt" ] && tail -20 "$work/log.txt"; exit 1; }

if [ -n "$clip_arg" ]; then
  ln -s "$(realpath "$clip_arg")" "$work/show/Clip.mp4"
else
  ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc2=size=1920x1080:rate=50:duration=60" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=60" \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 192k -ac 2 -shortest "$work/show/Clip.mp4"
fi
cat > "$work/show/Memory.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C51","items":[
 {"gainDB":0,"inPoint":0,"isMuted":false,"loop":false,"path":"$work/show/Clip.mp4","relativePath":"Clip.mp4"},
 {"gainDB":0,"inPoint":0,"isMuted":false,"loop":false,"path":"$work/show/Clip.mp4","relativePath":"Clip.mp4"}],
 "loop":false,"loopCount":0,"name":"Clip","normalizeAudio":false}],
 "browser":[],"layers":[],"version":1}
JSON
# The first block on P (key code 35).
cat > "$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini" <<'INI'
[General]
Vellumcast.shortcuts.v1="{\"playBlock1\":\"{\\\"keyCode\\\":35,\\\"modifiers\\\":0}\"}"
Vellumcast.language=it
INI

# Samples PID's memory once a second, COUNT times after SKIP seconds (by
# default from its 10th second on air to its 40th), into FILE: private kB,
# resident kB and private written kB a line.
sample() { # PID FILE [SKIP COUNT]
  sleep "${3:-10}"
  for _ in $(seq 1 "${4:-30}"); do
    kill -0 "$1" 2>/dev/null || return 1
    awk '/^Rss:/ { rss = $2 } /^Private_(Clean|Dirty):/ { priv += $2 } /^Private_Dirty:/ { dirty = $2 }
         END { print priv, rss, dirty }' \
      "/proc/$1/smaps_rollup" >>"$2"
    sleep 1
  done
  if [ -n "${TESSARIN_MEMORY_SMAPS:-}" ]; then
    cp "/proc/$1/smaps" "$TESSARIN_MEMORY_SMAPS/$(basename "$2" .txt).smaps"
    cat /proc/$1/task/*/comm | sort | uniq -c >"$TESSARIN_MEMORY_SMAPS/$(basename "$2" .txt).threads"
  fi
}
summary() { # NAME FILE
  "$python" - "$1" "$2" <<'PY'
import statistics, sys
rows = [tuple(int(v) for v in line.split()) for line in open(sys.argv[2]) if line.strip()]
priv = [p * 1024 / 1e6 for p, _, _ in rows]
rss = [r * 1024 / 1e6 for _, r, _ in rows]
dirty = [d * 1024 / 1e6 for _, _, d in rows]
print('%-9s private %6.1f MB (largest %6.1f)   written %6.1f MB (largest %6.1f)   '
      'resident %6.1f MB (largest %6.1f)   %d samples'
      % (sys.argv[1], statistics.median(priv), max(priv), statistics.median(dirty), max(dirty),
         statistics.median(rss), max(rss), len(rows)))
PY
}

export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
"$binary" "$work/show/Memory.vellumcast" >"$work/log.txt" 2>&1 &
pid=$!
window=""
find_window() { window=$(xdotool search --name '^Memory' 2>/dev/null | sed -n 1p); [ -n "$window" ]; }
deadline=$((SECONDS + 30))
until find_window; do
  [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2>/dev/null || fail "no main window"
  sleep 0.2
done
sleep 2 # the show's files probed, as an operator waits for the list
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key p
sample "$pid" "$work/program.txt" || fail "the program ended while playing"
sample "$pid" "$work/program-join.txt" 11 7 || fail "the program ended while playing"
kill -TERM "$pid"
wait "$pid" || true
pid=""

mpv --no-config --really-quiet --vo="${TESSARIN_MEMORY_MPV_VO:-null}" --ao=null "$work/show/Clip.mp4" &
pid=$!
sample "$pid" "$work/mpv.txt" || fail "mpv ended while playing"
kill -TERM "$pid"
wait "$pid" || true
pid=""

echo "load: $(cat /proc/loadavg)"
summary program "$work/program.txt"
summary '  joining' "$work/program-join.txt"
summary mpv "$work/mpv.txt"
"$python" - "$work/program.txt" "$work/program-join.txt" "$work/mpv.txt" <<'PY'
import statistics, sys
def median(path, column):
    return statistics.median(int(line.split()[column]) for line in open(path) if line.strip())
mpv = sys.argv[3]
for name, path in (('', sys.argv[1]), (', next item queued', sys.argv[2])):
    print('private memory, program%s / mpv: %.2f   written alone: %.2f   (target at most 1.2)'
          % (name, median(path, 0) / median(mpv, 0), median(path, 2) / median(mpv, 2)))
PY

#!/usr/bin/env bash
# Memory soak of the real program, on a hard mix: two looping blocks of
# H.264 (1080p and 720p), ProRes, MPEG-2 in a transport stream, stills, sound
# only and a 4K HEVC clip, joined by 1 s crossfades; a schedule starting a
# block every 150 s; both overlay layers shown (a looping video, a still);
# a live RTMP ingest (an ffmpeg sender on loopback) on air 2 minutes in every
# 10, its sender killed and restarted once each time; two streams (RTMP and
# SRT) sent to ffmpeg listeners on loopback, the RTMP listener killed and
# restarted at a third and at two thirds of the soak. Every INTERVAL seconds
# it writes the program's resident memory (anonymous and file-backed),
# descriptors, threads and child processes, the frames each listener has
# received and the sender has sent, what is on air (block A, B or the live
# ingest) and what happened since the sample before, to a CSV. It ends with
# the growth charged to each phase and event, and a verdict: after the
# settling time, the resident memory of the last ten minutes stays within
# 5 % of that of the first ten (mean and floor; the peak is shown).
#
#   soak.sh [--duration SECONDS] [--interval SECONDS] [--settle SECONDS]
#           [--binary PATH] [--out FILE.csv] [--work DIR]
#
# Defaults: 3600 s, samples every 10 s, 600 s to settle, the build's
# build/bin/tessarin, soak-<date>.csv in the current folder. The media are
# made with ffmpeg in WORK (default: the temporary folder) on first use and
# kept. Needs Xvfb, xdotool, dbus-run-session, python3-xlib, python3-pyatspi
# and an ffmpeg with libx264, libx265 and libsrt. Exits 0 when the verdict is met,
# 1 when not, 2 when the soak could not run. With SOAK_DEBUG=1 a control it
# cannot find makes it print the application's accessibility tree.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
python=/usr/bin/python3

duration=3600
interval=10
settle=600
binary=$repo/build/bin/tessarin
out=$PWD/soak-$(date +%Y%m%d-%H%M%S).csv
media=${TMPDIR:-/tmp}/tessarin-soak-media
while [ $# -gt 0 ]; do
  case $1 in
    --duration) duration=$2; shift 2 ;;
    --interval) interval=$2; shift 2 ;;
    --settle) settle=$2; shift 2 ;;
    --binary) binary=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --work) media=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

for tool in Xvfb xdotool dbus-run-session ffmpeg; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (tools/setup.sh installs it)" >&2; exit 2; }
done
"$python" -c 'import Xlib, pyatspi' 2>/dev/null || { echo "python3-xlib or python3-pyatspi missing" >&2; exit 2; }
[ -x "$binary" ] || { echo "no program at $binary (build it first)" >&2; exit 2; }

if [ -z "${SOAK_INNER:-}" ]; then
  # Own X server and own D-Bus session (the accessibility bus and the
  # keyring that holds the stream addresses live there).
  export SOAK_INNER=1
  binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")
  exec xvfb-run -a -s "-screen 0 1600x1000x24 -noreset" dbus-run-session -- bash "$0" \
    --duration "$duration" --interval "$interval" --settle "$settle" --binary "$binary" --out "$out" --work "$media"
fi

# The media, made once: H.264 of two sizes, ProRes, MPEG-2 in a transport
# stream, 4K HEVC, sound only (AAC and MP3), stills, the overlays.
mkdir -p "$media"
make_media() { # name, ffmpeg arguments...
  local name=$1; shift
  [ -s "$media/$name" ] && return
  ffmpeg -nostdin -hide_banner -loglevel error -y "$@" "$media/.$name" && mv "$media/.$name" "$media/$name"
}
echo "media in $media"
make_media program-1080.mp4 -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=20 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 -shortest \
  -c:v libx264 -preset veryfast -crf 30 -pix_fmt yuv420p -c:a aac -ac 2 -f mp4
make_media program-720.mp4 -f lavfi -i mandelbrot=size=1280x720:rate=25 \
  -f lavfi -i sine=frequency=660:sample_rate=44100:duration=15 -t 15 \
  -c:v libx264 -preset veryfast -crf 30 -pix_fmt yuv420p -c:a aac -ac 2 -f mp4
make_media prores.mov -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=12 \
  -f lavfi -i sine=frequency=330:sample_rate=48000:duration=12 -shortest \
  -c:v prores_ks -profile:v 0 -pix_fmt yuv422p10le -c:a pcm_s16le -ac 2 -f mov
make_media mpeg2.ts -f lavfi -i smptebars=size=720x576:rate=25:duration=12 \
  -f lavfi -i sine=frequency=880:sample_rate=48000:duration=12 -shortest \
  -c:v mpeg2video -b:v 6M -pix_fmt yuv420p -c:a mp2 -ac 2 -f mpegts
make_media hevc-4k.mp4 -f lavfi -i testsrc2=size=3840x2160:rate=25:duration=8 \
  -f lavfi -i sine=frequency=770:sample_rate=48000:duration=8 -shortest \
  -c:v libx265 -preset ultrafast -x265-params log-level=error -crf 32 -tag:v hvc1 -pix_fmt yuv420p \
  -c:a aac -ac 2 -f mp4
make_media tone.m4a -f lavfi -i sine=frequency=550:sample_rate=48000:duration=15 -c:a aac -ac 2 -f mp4
make_media tone.mp3 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=12 -c:a libmp3lame -ac 2 -f mp3
make_media still.png -f lavfi -i smptehdbars=size=1920x1080 -frames:v 1 -f image2
make_media still.jpg -f lavfi -i testsrc=size=1280x720 -frames:v 1 -f image2
make_media bug.png -f lavfi -i color=c=white@0.6:size=400x120,format=rgba -frames:v 1 -f image2
make_media overlay.mp4 -f lavfi -i testsrc=size=640x360:rate=25:duration=10 \
  -c:v libx264 -preset veryfast -crf 30 -pix_fmt yuv420p -an -f mp4

work=$(mktemp -d)
pid=""
listeners=()
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  for l in "${listeners[@]}"; do kill -- "-$l" 2>/dev/null || kill "$l" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "SOAK NOT RUN: $*" >&2; [ -f "$work/log.txt" ] && tail -20 "$work/log.txt" >&2; exit 2; }

export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Vellumcast" "$XDG_RUNTIME_DIR" "$work/show"
chmod 700 "$XDG_RUNTIME_DIR"
unset GNOME_KEYRING_CONTROL
if command -v gnome-keyring-daemon >/dev/null; then
  eval "$(printf tessarin | gnome-keyring-daemon --unlock --components=secrets)" >/dev/null
  export GNOME_KEYRING_CONTROL
fi

# Listeners on loopback, started again whenever a stream reconnects; each
# writes ffmpeg's progress (frames received) to a file.
free_port() { "$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
rtmp_port=$(free_port)
srt_port=$(free_port)
listen() { # name, input url, extra input options...
  local name=$1 url=$2; shift 2
  setsid bash -c 'while :; do ffmpeg -nostdin -hide_banner -loglevel error "$@" -progress "$0.progress" -c copy -f null - 2>>"$0.log"; sleep 1; done' \
    "$work/$name" "$@" -i "$url" &
  listeners+=($!)
}
listen rtmp "rtmp://127.0.0.1:$rtmp_port/live/soak" -listen 1
listen srt "srt://127.0.0.1:$srt_port?mode=listener"

# The live ingest: the program listens for RTMP on a loopback port while the
# source is on air; a sender (an ffmpeg on the other side) pushes 720p25
# H.264/AAC to it, run in a loop from shortly before each time on air to its
# end, and killed once in the middle (its loop starts it again a second later).
ingest_port=$(free_port)
sender=""
start_sender() {
  setsid bash -c 'while :; do ffmpeg -nostdin -hide_banner -loglevel error -re \
      -f lavfi -i testsrc2=size=1280x720:rate=25 -f lavfi -i sine=frequency=500:sample_rate=48000 \
      -c:v libx264 -preset ultrafast -tune zerolatency -g 50 -b:v 2M -pix_fmt yuv420p -c:a aac -ac 2 \
      -progress "$0.progress" -f flv "$1" 2>>"$0.log"; sleep 1; done' \
    "$work/sender" "rtmp://127.0.0.1:$ingest_port/live/ingest" &
  sender=$!
  listeners+=($sender)
}
stop_sender() {
  [ -z "$sender" ] || kill -- "-$sender" 2>/dev/null || true
  sender=""
}
kill_children() { # loop pid: kills the ffmpeg its loop runs, so the loop starts a new one
  local c
  for c in $(ps -o pid= --ppid "$1"); do kill "$c" 2>/dev/null || true; done
}

# The show: two looping blocks of the same kinds in another order, both
# layers (a looping video, a still with alpha), and a schedule over the whole
# soak, from T0 on: a start every 150 s, in every ten minutes block A, block
# B, block A and the live ingest, on air for 120 s and followed by block A
# until the next start.
block_a=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D
block_b=1B2C3D4E-5F6A-4B7C-9D8E-0F1A2B3C4D5E
ingest_id=2C3D4E5F-6A7B-4C8D-8E9F-1A2B3C4D5E6F
lead=120  # seconds from here to T0: the program starts, is driven on air and streams
t0=$(( $(date +%s) + lead ))
cycle=600 step=150 live_at=450 live_for=120
item() { # file, extra json
  printf '{"gainDB":0,"inPoint":0,"isMuted":false,"loop":false,"path":"%s","relativePath":"%s"%s}' \
    "$media/$1" "$1" "${2:-}"
}
live_item() {
  printf '{"gainDB":0,"isMuted":false,"loop":false,"liveSource":{"address":"rtmp://127.0.0.1:%s/live/ingest","id":"%s","kind":"rtmp","listen":true,"name":"Ingresso"}}' \
    "$ingest_port" "$ingest_id"
}
events() { # the schedule's events over the soak, as JSON list elements
  local t n=0
  for ((t = 0; t <= duration; t += step)); do
    (( t > 0 )) && printf ,
    if (( t % cycle == live_at )); then
      printf '{"date":%d,"duration":%d,"id":"%08X-0000-4000-8000-000000000000","isEnabled":true,"media":%s,"repeats":"none","start":"fixed"}' \
        $((t0 + t)) "$live_for" $((n++)) "$(live_item)"
      printf ',{"blockID":"%s","date":0,"id":"%08X-0000-4000-8000-000000000000","isEnabled":true,"repeats":"none","start":"follow"}' \
        "$block_a" $((n++))
    else
      local b=$block_a
      (( (t / step) % 2 )) && b=$block_b
      printf '{"blockID":"%s","date":%d,"id":"%08X-0000-4000-8000-000000000000","isEnabled":true,"repeats":"none","start":"fixed"}' \
        "$b" $((t0 + t)) $((n++))
    fi
  done
}
cat > "$work/show/Soak.vellumcast" <<JSON
{"blocks":[
 {"endBehavior":"stop","id":"$block_a","items":[
  $(item program-1080.mp4), $(item prores.mov), $(item still.png ',"imageDuration":8'),
  $(item mpeg2.ts), $(item tone.m4a), $(item hevc-4k.mp4)],
  "loop":true,"loopCount":0,"name":"Rotazione A","normalizeAudio":false},
 {"endBehavior":"stop","id":"$block_b","items":[
  $(item hevc-4k.mp4), $(item program-720.mp4), $(item tone.mp3), $(item mpeg2.ts),
  $(item still.jpg ',"imageDuration":6'), $(item prores.mov)],
  "loop":true,"loopCount":0,"name":"Rotazione B","normalizeAudio":false}],
 "browser":[],
 "layers":[
  {"loops":true,"offsetX":0.3,"offsetY":-0.3,"opacity":0.8,"path":"$media/overlay.mp4","relativePath":"overlay.mp4","scale":0.3},
  {"loops":false,"offsetX":-0.3,"offsetY":0.35,"opacity":1,"path":"$media/bug.png","relativePath":"bug.png","scale":0.2}],
 "schedule":[$(events)],
 "scheduleLoops":false,"version":1}
JSON

# Settings: the last show, keys for play/pause (P) and the two layers (J, K),
# and the two destinations at 720p and 2.5 Mbit/s in H.264. The addresses
# written here move into the keyring at start.
"$python" - "$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini" "$work/show/Soak.vellumcast" "$rtmp_port" "$srt_port" <<'PY'
import json, sys
conf, show, rtmp, srt = sys.argv[1:]
def ini(s):
    return '"' + s.replace('\\', '\\\\').replace('"', '\\"') + '"'
keys = {a: json.dumps({"keyCode": c, "modifiers": 0}) for a, c in
        (("playPause", 35), ("toggleLayer1", 38), ("toggleLayer2", 40))}
with open(conf, 'w') as f:
    f.write('[General]\n')
    f.write('Vellumcast.lastShowPath=' + ini(show) + '\n')
    f.write('Vellumcast.shortcuts.v1=' + ini(json.dumps(keys)) + '\n')
    f.write('Vellumcast.language=it\n')
    f.write('Vellumcast.stream.resolution=hd720\n')
    f.write('Vellumcast.transition.style=fade\n')
    f.write('Vellumcast.transition.fadeSeconds=1\n')
    for i, kind, url in ((1, 'rtmp', 'rtmp://127.0.0.1:%s/live/soak' % rtmp),
                         (2, 'srt', 'srt://127.0.0.1:%s?mode=caller' % srt)):
        f.write('Vellumcast.stream.%d.kind=%s\n' % (i, kind))
        f.write('Vellumcast.stream.%d.url=%s\n' % (i, ini(url)))
        f.write('Vellumcast.stream.%d.vcodec=h264\n' % i)
        f.write('Vellumcast.stream.%d.bitrate=2500\n' % i)
PY

export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
"$binary" >"$work/log.txt" 2>&1 &
pid=$!
started=$SECONDS

wait_for() { # seconds, command...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.3
  done
}
xy=""
find_named() { xy=$("$python" "$repo/tests/app/smoke/x11.py" find "$1" 2>/dev/null); [ -n "$xy" ]; }
click_named() { # accessible name
  wait_for 20 find_named "$1" || { [ -n "${SOAK_DEBUG:-}" ] && "$python" -c '
import pyatspi
for app in pyatspi.Registry.getDesktop(0):
    stack = [(app, 0)]
    while stack:
        node, depth = stack.pop()
        try:
            e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS) if depth else None
            print("  " * depth + repr(node.name), node.getRoleName(), e and (e.x, e.y, e.width, e.height))
            stack.extend((c, depth + 1) for c in node if c is not None)
        except Exception:
            pass' >&2
    fail "nothing named \"$1\" in the accessibility tree"; }
  xdotool mousemove --sync $xy click 1
}
window=""
find_window() { window=$(xdotool search --name '^Soak' 2>/dev/null | sed -n 1p); [ -n "$window" ]; }
wait_for 30 find_window || fail "no main window titled with the show's name"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 2 # the show's items are read in the background

# On air, and both layers shown.
xdotool key --window "$window" p
sleep 1
xdotool key --window "$window" j
xdotool key --window "$window" k

# The schedule armed, in its tab.
click_named Palinsesto
click_named "Attiva l'automazione: gli eventi partono da soli all'orario stabilito."
wait_for 10 find_named "Gli eventi partono da soli. Clicca per fermare l'automazione (ciò che è in onda continua)." \
  || fail "the automation did not arm"

# Both streams started on the settings window's streaming page (the page it
# opens at), and the window closed again.
click_named Impostazioni
click_named "Avvia STREAM 1"
click_named "Avvia STREAM 2"
frames() { # listener name: frames received so far
  local f=$work/$1.progress
  local n=""
  [ -f "$f" ] && n=$(grep '^frame=' "$f" | tail -1 | cut -d= -f2 || true)
  echo "${n:-0}"
}
receiving() { [ "$(frames rtmp)" -gt 0 ] && [ "$(frames srt)" -gt 0 ]; }
wait_for 60 receiving || fail "the listeners receive nothing (rtmp $(frames rtmp), srt $(frames srt) frames)"
settings_window=$(xdotool search --name '^Impostazioni' 2>/dev/null | sed -n 1p || true)
[ -n "$settings_window" ] && "$python" "$repo/tests/app/smoke/x11.py" close "$settings_window"
echo "on air with both layers, schedule armed, both streams received"

press() { wait_for 20 find_named "$1" && xdotool mousemove --sync $xy click 1; }
restart_stream() {
  local ok=0 w
  sleep 5 # the stream's ffmpeg finds its connection gone
  press Impostazioni && press "Avvia STREAM 1" && ok=1
  w=$(xdotool search --name '^Impostazioni' 2>/dev/null | sed -n 1p || true)
  [ -n "$w" ] && "$python" "$repo/tests/app/smoke/x11.py" close "$w"
  (( ok )) && wait_for 60 receiving
}
sample() { # elapsed seconds, phase, events
  local rss anon file huge split threads fds children
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
  huge=$(awk '/^AnonHugePages:/ { print $2 }' "/proc/$pid/smaps_rollup")
  # Resident anonymous memory by kind: malloc's heaps (the main heap and the
  # arenas, which start on 64 MB boundaries) and the blocks of a megabyte and
  # more mapped on their own (pictures, the decoders' big buffers).
  split=$("$python" -c '
import sys
total = {"heap": 0, "mapped": 0}
kind = None
for line in open(sys.argv[1]):
    head = line.split()
    if "-" in head[0] and not head[0].endswith(":"):
        start, end = (int(x, 16) for x in head[0].split("-"))
        name = head[5] if len(head) > 5 else ""
        kind = "heap" if name == "[heap]" or (not name and start % (64 << 20) == 0) else \
               "mapped" if not name and end - start >= 1 << 20 else None
    elif head[0] == "Rss:" and kind:
        total[kind] += int(head[1])
print("%d,%d" % (total["heap"], total["mapped"]))' "/proc/$pid/smaps")
  anon=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status")
  file=$(awk '/^RssFile:/ { print $2 }' "/proc/$pid/status")
  threads=$(awk '/^Threads:/ { print $2 }' "/proc/$pid/status")
  fds=$(ls "/proc/$pid/fd" | wc -l)
  children=$(ps -o pid= --ppid "$pid" | wc -l)
  echo "$1,$rss,$anon,$file,$huge,$split,$fds,$threads,$children,$(frames rtmp),$(frames srt),$(frames sender),$2,$3"
}
# What the schedule has on air T seconds after T0: A, B or live.
phase_at() {
  local t=$1 c=$(( $1 % cycle ))
  if (( c >= live_at && c < live_at + live_for && t - c + live_at <= duration )); then echo live
  elif (( c >= live_at + live_for )); then echo A
  elif (( (c / step) % 2 )); then echo B
  else echo A
  fi
}
echo "seconds,rss_kb,anon_kb,file_kb,huge_kb,heap_kb,mapped_kb,descriptors,threads,children,rtmp_frames,srt_frames,ingest_frames,phase,events" > "$out"
echo "waiting for T0 (the schedule's first start) in $(( t0 - $(date +%s) )) s"
while (( $(date +%s) < t0 )); do sleep 1; done
echo "sampling for $duration s into $out"
restarts=("$(( duration / 3 ))" "$(( 2 * duration / 3 ))")
events="" last=-1 next=0 killed=-1
while :; do
  kill -0 "$pid" 2>/dev/null || { echo "the program ended during the soak" >&2; tail -20 "$work/log.txt" >&2; break; }
  t=$(( $(date +%s) - t0 ))
  c=$(( t % cycle )) lap=$(( t / cycle ))
  if (( last >= 0 && last / step != t / step )); then events+=" start"; fi
  [ "$(phase_at $t)" != "$(phase_at $((last < 0 ? 0 : last)))" ] && [ "$(phase_at $t)" = live ] && events+=" live-on"
  [ "$(phase_at $((last < 0 ? 0 : last)))" = live ] && [ "$(phase_at $t)" != live ] && events+=" live-off"
  # The sender: from ten seconds before the ingest's time on air to its end,
  # killed and restarted a minute into it.
  if (( c >= live_at - 10 && c < live_at + live_for && t - c + live_at <= duration )); then
    [ -n "$sender" ] || start_sender
    if (( c >= live_at + 60 && killed != lap )); then kill_children "$sender"; killed=$lap; events+=" sender-restart"; fi
  elif [ -n "$sender" ]; then
    stop_sender
  fi
  # The RTMP stream's listener killed at a third and at two thirds of the soak
  # (its loop starts a new one); the stream, failed, is started again on
  # the settings window's page, as an operator would.
  for r in "${!restarts[@]}"; do
    if (( t >= restarts[r] )); then
      unset "restarts[$r]"
      kill_children "${listeners[0]}"
      events+=" listener-restart"
      restart_stream || events+=" stream-not-restarted"
    fi
  done
  last=$t
  if (( t >= next )); then
    line=$(sample "$t" "$(phase_at "$t")" "${events# }")
    echo "$line" >> "$out"
    echo "$line"
    events=""
    next=$(( next + interval ))
    (( t < duration )) || break
  fi
  sleep 1
done
stop_sender
alive=1
kill -0 "$pid" 2>/dev/null || alive=0

"$python" - "$out" "$settle" "$alive" <<'PY'
import csv, sys
path, settle, alive = sys.argv[1], float(sys.argv[2]), sys.argv[3] == '1'
text = ('phase', 'events')
rows = [{k: (v if k in text else float(v)) for k, v in r.items()} for r in csv.DictReader(open(path))]
if not rows:
    print('VERDICT: no samples'); sys.exit(1)
def mb(kb): return kb / 1024.0
mean = lambda v: sum(v) / len(v)
print('samples %d over %.0f s' % (len(rows), rows[-1]['seconds']))
for key in ('descriptors', 'threads', 'children'):
    values = [r[key] for r in rows]
    print('%-11s first %d, min %d, max %d, last %d' % (key, values[0], min(values), max(values), values[-1]))
rss = [r['rss_kb'] for r in rows]
print('rss         first %.0f MB, max %.0f MB, last %.0f MB' % (mb(rss[0]), mb(max(rss)), mb(rss[-1])))
print('ten-minute windows (mean resident memory, anonymous, on huge pages and file-backed; mean per phase):')
for start in range(0, int(rows[-1]['seconds']) + 1, 600):
    window = [r for r in rows if start <= r['seconds'] < start + 600]
    if len(window) < 3:
        continue
    per = ', '.join('%s %.0f' % (p, mb(mean([r['rss_kb'] for r in window if r['phase'] == p])))
                    for p in ('A', 'B', 'live') if any(r['phase'] == p for r in window))
    print('  minutes %3d-%-3d rss %.0f MB, anon %.0f MB (on huge pages %.0f MB), file %.0f MB (%s)'
          % (start // 60, start // 60 + 10, mb(mean([r['rss_kb'] for r in window])),
             mb(mean([r['anon_kb'] for r in window])), mb(mean([r['huge_kb'] for r in window])),
             mb(mean([r['file_kb'] for r in window])), per))
late = [r for r in rows if r['seconds'] >= settle]
if len(late) < 4:
    print('VERDICT: too short to judge (fewer than four samples after %.0f s)' % settle); sys.exit(1)
# Which part grows. Samples swing by a hundred megabytes with the item on
# air (a 4K picture, a still), so each stretch of one phase (block A or B
# between two starts, the live ingest on air) is summed up by its floor,
# the least resident memory it had: what stays whatever plays. A growing
# part shows as a rising floor of its stretches, and as a step in the floor
# across the stretch where its event happened (the ingest on air, a sender
# or a listener restarted).
stretches = []
for r in rows:
    evs = r['events'].split()
    if not stretches or stretches[-1]['phase'] != r['phase']:
        stretches.append({'phase': r['phase'], 'start': r['seconds'], 'rss': [], 'heap': [], 'mapped': [],
                          'events': set()})
    stretches[-1]['rss'].append(r['rss_kb'])
    stretches[-1]['heap'].append(r.get('heap_kb', 0))
    stretches[-1]['mapped'].append(r.get('mapped_kb', 0))
    stretches[-1]['events'].update(e for e in evs if e not in ('start', 'live-on', 'live-off'))
print('stretches (from second, phase, floor / mean / peak MB, floors of malloc\'s heaps and of the mapped blocks, events):')
for st in stretches:
    st['floor'] = min(st['rss'])
    print('  %5d %-4s %4.0f / %4.0f / %4.0f  heaps %4.0f, mapped %4.0f %s'
          % (st['start'], st['phase'], mb(st['floor']), mb(mean(st['rss'])), mb(max(st['rss'])),
             mb(min(st['heap'])), mb(min(st['mapped'])), ' '.join(sorted(st['events']))))
# The first and the last stretch may be cut short, and one of a few samples
# has no floor to speak of.
whole = [st for st in stretches[1:-1] if st['start'] >= settle and len(st['rss']) >= 4]
def trend(points):
    if len(points) < 2:
        return float('nan')
    px = mean([x for x, _ in points]); py = mean([y for _, y in points])
    den = sum((x - px) ** 2 for x, _ in points)
    return sum((x - px) * (y - py) for x, y in points) / den if den else float('nan')
print('floor trend after %.0f s by phase:' % settle)
for phase in sorted({st['phase'] for st in whole}):
    pts = [(st['start'], st['floor']) for st in whole if st['phase'] == phase]
    print('  %-4s %2d stretches, floors %4.0f to %4.0f MB, trend %+.2f MB/min'
          % (phase, len(pts), mb(min(y for _, y in pts)), mb(max(y for _, y in pts)), mb(trend(pts)) * 60))
steps = {}
index = {id(st): i for i, st in enumerate(whole)}
for st in whole:
    i = index[id(st)]
    if i == 0 or i + 1 >= len(whole):
        continue
    step = whole[i + 1]['floor'] - whole[i - 1]['floor']
    for kind in (['live'] if st['phase'] == 'live' else []) + sorted(st['events']) + ['any stretch']:
        steps.setdefault(kind, []).append(step)
print('floor after minus floor before a stretch holding:')
for kind, values in sorted(steps.items()):
    print('  %-16s %3d times, %+6.1f MB each on average, %+7.1f MB in all'
          % (kind, len(values), mb(mean(values)), mb(sum(values))))
# The first and the last windows after the settling time (ten minutes each,
# or half of what is left) are compared by their means and their floors.
# Their peaks are shown but not judged: a sample taken in a crossfade out
# of the 4K clip is a hundred megabytes above one taken a second later.
span = late[-1]['seconds'] - late[0]['seconds']
window = min(600.0, span / 2)
first = [r['rss_kb'] for r in late if r['seconds'] < late[0]['seconds'] + window]
last = [r['rss_kb'] for r in late if r['seconds'] > late[-1]['seconds'] - window]
grow_mean = mean(last) / mean(first) - 1
grow_floor = min(last) / min(first) - 1
grow_peak = max(last) / max(first) - 1
n = len(late)
mx = sum(r['seconds'] for r in late) / n
my = sum(r['rss_kb'] for r in late) / n
slope = sum((r['seconds'] - mx) * (r['rss_kb'] - my) for r in late) / max(sum((r['seconds'] - mx) ** 2 for r in late), 1e-9)
print('after %.0f s: first %.0f s mean %.0f MB floor %.0f MB peak %.0f MB; last %.0f s mean %.0f MB floor %.0f MB '
      'peak %.0f MB; mean %+.1f %%, floor %+.1f %%, peak %+.1f %%, trend %+.2f MB/min'
      % (settle, window, mb(mean(first)), mb(min(first)), mb(max(first)), window, mb(mean(last)), mb(min(last)),
         mb(max(last)), 100 * grow_mean, 100 * grow_floor, 100 * grow_peak, mb(slope) * 60))
# A listener started again counts from naught: receiving is a count that
# rises from one sample to the next.
tail = [r for r in rows if r['seconds'] >= rows[-1]['seconds'] - 60]
for name in ('rtmp_frames', 'srt_frames'):
    if not any(b[name] > a[name] for a, b in zip(tail, tail[1:])):
        print('warning: the %s listener received nothing in the last minute' % name.split('_')[0])
if any(r['phase'] == 'live' for r in rows) and not any(r['phase'] == 'live' and r['ingest_frames'] > 0 for r in rows):
    print('warning: the ingest sender never sent a picture')
if not alive:
    print('the program ended before the soak did')
ok = alive and abs(grow_mean) <= 0.05 and abs(grow_floor) <= 0.05
print('VERDICT: %s (mean and floor of the resident memory of the last window within 5 %% of the first after %.0f s)'
      % ('flat' if ok else 'NOT flat', settle))
sys.exit(0 if ok else 1)
PY

#!/usr/bin/env bash
# Memory soak of the real program: a looping block of mixed files on air
# (video of two sizes, sound only, a still picture), both overlay layers
# shown, two streams (RTMP and SRT) sent to ffmpeg listeners on loopback and
# the schedule armed, for an hour by default. Every INTERVAL seconds it
# writes the program's resident memory, descriptors, threads and child
# processes (and the frames each listener has received) to a CSV, and ends
# with a verdict: after the settling time, the resident memory of the last
# ten minutes stays within 5 % of that of the first ten (mean and peak).
#
#   soak.sh [--duration SECONDS] [--interval SECONDS] [--settle SECONDS]
#           [--binary PATH] [--out FILE.csv] [--work DIR]
#
# Defaults: 3600 s, samples every 30 s, 600 s to settle, the build's
# build/bin/tessarin, soak-<date>.csv in the current folder. The media are
# made with ffmpeg in WORK (default: the temporary folder) on first use and
# kept. Needs Xvfb, xdotool, dbus-run-session, python3-xlib, python3-pyatspi
# and an ffmpeg with libx264 and libsrt. Exits 0 when the verdict is met,
# 1 when not, 2 when the soak could not run. With SOAK_DEBUG=1 a control it
# cannot find makes it print the application's accessibility tree.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
python=/usr/bin/python3

duration=3600
interval=30
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
  exec xvfb-run -a -s "-screen 0 1600x1000x24" dbus-run-session -- bash "$0" \
    --duration "$duration" --interval "$interval" --settle "$settle" --binary "$binary" --out "$out" --work "$media"
fi

# The media, made once.
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
make_media tone.m4a -f lavfi -i sine=frequency=550:sample_rate=48000:duration=15 -c:a aac -ac 2 -f mp4
make_media still.png -f lavfi -i smptehdbars=size=1920x1080 -frames:v 1 -f image2
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

# The show: one looping block, both layers, one daily event of the block
# hours away (the schedule has something to wait for while armed).
block=0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D
event_at=$(( $(date +%s) + 6 * 3600 ))
item() { # file, extra json
  printf '{"gainDB":0,"inPoint":0,"isMuted":false,"loop":false,"path":"%s","relativePath":"%s"%s}' \
    "$media/$1" "$1" "${2:-}"
}
cat > "$work/show/Soak.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"$block","items":[
  $(item program-1080.mp4),
  $(item still.png ',"imageDuration":8'),
  $(item program-720.mp4),
  $(item tone.m4a)],
 "loop":true,"loopCount":0,"name":"Rotazione","normalizeAudio":false}],
 "browser":[],
 "layers":[
  {"loops":true,"offsetX":0.3,"offsetY":-0.3,"opacity":0.8,"path":"$media/overlay.mp4","relativePath":"overlay.mp4","scale":0.3},
  {"loops":false,"offsetX":-0.3,"offsetY":0.35,"opacity":1,"path":"$media/bug.png","relativePath":"bug.png","scale":0.2}],
 "schedule":[{"blockID":"$block","date":$event_at,"id":"AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE","isEnabled":true,"repeats":"daily","start":"fixed"}],
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
find_window() { window=$(xdotool search --name '^Soak' 2>/dev/null | head -1); [ -n "$window" ]; }
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
settings_window=$(xdotool search --name '^Impostazioni' 2>/dev/null | head -1 || true)
[ -n "$settings_window" ] && "$python" "$repo/tests/app/smoke/x11.py" close "$settings_window"
echo "on air with both layers, schedule armed, both streams received; sampling for $duration s into $out"

sample() { # elapsed seconds
  local rss threads fds children
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
  threads=$(awk '/^Threads:/ { print $2 }' "/proc/$pid/status")
  fds=$(ls "/proc/$pid/fd" | wc -l)
  children=$(ps -o pid= --ppid "$pid" | wc -l)
  echo "$1,$rss,$fds,$threads,$children,$(frames rtmp),$(frames srt)"
}
echo "seconds,rss_kb,descriptors,threads,children,rtmp_frames,srt_frames" > "$out"
begin=$SECONDS
while :; do
  kill -0 "$pid" 2>/dev/null || { echo "the program ended during the soak" >&2; tail -20 "$work/log.txt" >&2; break; }
  line=$(sample $((SECONDS - begin)))
  echo "$line" >> "$out"
  echo "$line"
  [ $((SECONDS - begin)) -lt "$duration" ] || break
  sleep "$interval"
done
alive=1
kill -0 "$pid" 2>/dev/null || alive=0

"$python" - "$out" "$settle" "$alive" <<'PY'
import csv, sys
path, settle, alive = sys.argv[1], float(sys.argv[2]), sys.argv[3] == '1'
rows = [{k: float(v) for k, v in r.items()} for r in csv.DictReader(open(path))]
if not rows:
    print('VERDICT: no samples'); sys.exit(1)
def mb(kb): return kb / 1024.0
print('samples %d over %.0f s' % (len(rows), rows[-1]['seconds']))
for key in ('descriptors', 'threads', 'children'):
    values = [r[key] for r in rows]
    print('%-11s first %d, min %d, max %d, last %d' % (key, values[0], min(values), max(values), values[-1]))
rss = [r['rss_kb'] for r in rows]
print('rss         first %.0f MB, max %.0f MB, last %.0f MB' % (mb(rss[0]), mb(max(rss)), mb(rss[-1])))
for start in range(0, int(rows[-1]['seconds']), 600):
    window = [r['rss_kb'] for r in rows if start <= r['seconds'] < start + 600]
    if window:
        print('  minutes %3d-%-3d mean %.0f MB' % (start // 60, start // 60 + 10, mb(sum(window) / len(window))))
late = [r for r in rows if r['seconds'] >= settle]
if len(late) < 4:
    print('VERDICT: too short to judge (fewer than four samples after %.0f s)' % settle); sys.exit(1)
# The items of the block differ in size, so single samples swing with what
# is on air when they are taken: the first and the last windows after the
# settling time (ten minutes each, or half of what is left) are compared by
# their means and their peaks.
span = late[-1]['seconds'] - late[0]['seconds']
window = min(600.0, span / 2)
first = [r['rss_kb'] for r in late if r['seconds'] < late[0]['seconds'] + window]
last = [r['rss_kb'] for r in late if r['seconds'] > late[-1]['seconds'] - window]
mean = lambda v: sum(v) / len(v)
grow_mean = mean(last) / mean(first) - 1
grow_peak = max(last) / max(first) - 1
n = len(late)
mx = sum(r['seconds'] for r in late) / n
my = sum(r['rss_kb'] for r in late) / n
slope = sum((r['seconds'] - mx) * (r['rss_kb'] - my) for r in late) / max(sum((r['seconds'] - mx) ** 2 for r in late), 1e-9)
print('after %.0f s: first %.0f s mean %.0f MB peak %.0f MB; last %.0f s mean %.0f MB peak %.0f MB; '
      'mean %+.1f %%, peak %+.1f %%, trend %+.2f MB/min'
      % (settle, window, mb(mean(first)), mb(max(first)), window, mb(mean(last)), mb(max(last)),
         100 * grow_mean, 100 * grow_peak, mb(slope) * 60))
for name in ('rtmp_frames', 'srt_frames'):
    if late[-1][name] <= late[0][name]:
        print('warning: the %s listener received nothing after %.0f s' % (name.split('_')[0], settle))
if not alive:
    print('the program ended before the soak did')
ok = alive and abs(grow_mean) <= 0.05 and abs(grow_peak) <= 0.05
print('VERDICT: %s (resident memory of the last window within 5 %% of the first after %.0f s)'
      % ('flat' if ok else 'NOT flat', settle))
sys.exit(0 if ok else 1)
PY

#!/usr/bin/env bash
# The real program and mpv side by side, beside busy processes: the same
# steady 440 Hz WAV, in a block of its own in the program (started with its
# key under a private X server) and in mpv, each played into its own null
# sink of one private PulseAudio server, for SECONDS (600 by default), with
# SPINNERS busy processes (one per core by default) beside them. Each sink's
# monitor is recorded; every run of 1 ms or more of silence inside the tone
# is a hole. Prints each player's holes (count, total, longest, where), how
# often the program's decoded sound ran short, and the load.
#   bash bench/sync/side_by_side_sound.sh [SECONDS]
# Needs pulseaudio, pulseaudio-utils (parec), mpv, Xvfb, xdotool, ffmpeg.
# For a diagnosis: SIDE_BY_SIDE_SERVER_RT=1 makes the server's main thread
# real-time, SIDE_BY_SIDE_NO_SHM=1 starts it without shared memory,
# SIDE_BY_SIDE_RECORDER_RT=1 makes the recorders real-time,
# SIDE_BY_SIDE_PROGRAM_LATENCY=MS sets the program's PULSE_LATENCY_MSEC and
# SIDE_BY_SIDE_THREADS=1 lists the players' and the server's threads with
# their scheduling.
set -euo pipefail
seconds=${1:-600}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${TESSARIN_BUILD_DIR:-$root/build}
binary="$build/bin/tessarin"
[ -x "$binary" ] || { echo "build it first: bash tools/build.sh" >&2; exit 1; }
for tool in pulseaudio parec mpv Xvfb xdotool ffmpeg dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done
# A session bus of its own, with a private home (its services start there).
if [ -z "${SIDE_BY_SIDE_WORK:-}" ]; then
  work=$(mktemp -d)
  chmod 700 "$work"
  export SIDE_BY_SIDE_WORK=$work HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
  mkdir -p "$HOME" "$XDG_CONFIG_HOME/Vellumcast" "$XDG_RUNTIME_DIR" "$work/show"
  chmod 700 "$XDG_RUNTIME_DIR"
  status=0
  dbus-run-session -- bash "$0" "$@" || status=$?
  rm -rf "$work"
  exit $status
fi
work=$SIDE_BY_SIDE_WORK
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no ${SIDE_BY_SIDE_NO_SHM:+--disable-shm=yes} \
  --log-target=stderr --log-level=error \
  -L "module-null-sink sink_name=program rate=48000" -L "module-null-sink sink_name=mpv rate=48000" \
  -L "module-native-protocol-unix socket=$work/pulse auth-anonymous=1" &
pids+=($!)
server=$!
export PULSE_SERVER="unix:$work/pulse"
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
# For a diagnosis: the server's main thread (which carries every request for
# sound and every block to the sink) real-time as its sink threads are.
[ -n "${SIDE_BY_SIDE_SERVER_RT:-}" ] && chrt -r -p 5 "$server"

fifo=$work/display
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
pids+=($!)
read -r number <"$fifo"
export DISPLAY=:$number

ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$((seconds + 60))" \
  -af volume=0.5 -ac 2 -c:a pcm_s16le "$work/show/Tono.wav"
cat > "$work/show/Tono.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C41","items":[{"gainDB":0,"inPoint":0,
"isMuted":false,"loop":false,"path":"$work/show/Tono.wav","relativePath":"Tono.wav"}],"loop":false,"loopCount":0,
"name":"Tono","normalizeAudio":false}],"browser":[],"layers":[],"version":1}
JSON
# The first block on P (key code 35).
python3 - "$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini" <<'PY'
import json, sys
bindings = {'playBlock1': json.dumps({'keyCode': 35, 'modifiers': 0}, separators=(',', ':'))}
text = json.dumps(bindings, separators=(',', ':'))
with open(sys.argv[1], 'w') as f:
    f.write('[General]\n')
    f.write('Vellumcast.shortcuts.v1="' + text.replace('\\', '\\\\').replace('"', '\\"') + '"\n')
    f.write('Vellumcast.language=it\n')
PY

for sink in program mpv; do
  ${SIDE_BY_SIDE_RECORDER_RT:+chrt -r 4} parec -d "$sink.monitor" --raw --format=s16le --channels=1 --rate=48000 >"$work/$sink.raw" &
  pids+=($!)
done
for _ in $(seq 1 "${SPINNERS:-$(nproc)}"); do
  sh -c 'while :; do :; done' &
  pids+=($!)
done

env ${SIDE_BY_SIDE_PROGRAM_LATENCY:+PULSE_LATENCY_MSEC=$SIDE_BY_SIDE_PROGRAM_LATENCY} TESSARIN_SOUND_REPORT=1 QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=pulseaudio PULSE_SINK=program "$binary" "$work/show/Tono.vellumcast" \
  >"$work/program.log" 2>&1 &
program=$!
pids+=($program)
window=""
for _ in $(seq 300); do
  window=$(xdotool search --name '^Tono' 2>/dev/null | sed -n 1p) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the program showed no window" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 2
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key p
PULSE_SINK=mpv mpv --no-config --no-video --really-quiet --ao=pulse "$work/show/Tono.wav" &
pids+=($!)
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
sleep 10
if [ -n "${SIDE_BY_SIDE_THREADS:-}" ]; then
  for p in "$program" $(pgrep -x mpv -P $$ || true) $(pgrep -x pulseaudio -P $$ || true); do
    ps -L -o tid=,cls=,rtprio=,ni=,comm= -p "$p"
  done
fi
sleep "$((seconds - 10))"
load_end=$(cut -d' ' -f1-3 /proc/loadavg)
kill -TERM "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
grep '^sound:' "$work/program.log" | sed 's/^/program /' || true

echo "played ${seconds} s beside ${SPINNERS:-$(nproc)} spinning processes; load average at the start $load_start, at the end $load_end"
python3 - "$work/program.raw" "$work/mpv.raw" <<'PY'
import re, sys
for path in sys.argv[1:]:
    data = open(path, 'rb').read()
    data = data[:len(data) // 2 * 2]
    # The sound from its first sample to its last.
    m = re.search(rb'(?:(?!\x00\x00)..)', data, re.S)
    start = m.start() if m else len(data)
    start -= start % 2
    end = len(data)
    while end > start and data[end - 2:end] == b'\x00\x00':
        end -= 2
    holes = []
    for run in re.finditer(rb'(?:\x00\x00){48,}', data[start:end]):
        s, e = run.start(), run.end()
        if s % 2:  # a run that starts inside a sample
            s += 1
        n = (e - s) // 2
        if n >= 48:
            holes.append((n / 48.0, (start + s) / 96000.0))
    name = path.rsplit('/', 1)[-1].split('.')[0]
    total = sum(h for h, _ in holes)
    longest = max(h for h, _ in holes) if holes else 0
    print(f"{name}: {len(holes)} holes in {(end - start) / 96000:.0f} s of sound, {total:.0f} ms in all, "
          f"longest {longest:.1f} ms; holes (ms at s): {' '.join(f'{h:.0f}@{t:.1f}' for h, t in holes[:40])}")
PY

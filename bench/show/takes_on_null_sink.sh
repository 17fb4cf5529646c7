#!/usr/bin/env bash
# Takes while a show is analysed (bigshow_bench --takes), the program's sound
# played into a PulseAudio null sink of its own, as on a real device (its
# feeding thread real-time where the process may), beside SPINNERS busy
# processes (default: one per core), each in a session of its own as another
# program's would be. Arguments go to bigshow_bench.
#   bash bench/show/takes_on_null_sink.sh [--items=N --per-block=M]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${TESSARIN_BUILD_DIR:-$root/build}
bench="$build/bench/show/bigshow_bench"
[ -x "$bench" ] || { echo "build it first: bash tools/build.sh -DTESSARIN_BUILD_BENCH=ON" >&2; exit 1; }
command -v pulseaudio >/dev/null || { echo "pulseaudio is missing: bash tools/setup.sh" >&2; exit 1; }
runtime=$(mktemp -d)
chmod 700 "$runtime"
pids=()
cleanup() {
  kill "${pids[@]}" 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
  --log-target=stderr --log-level=error -L "module-null-sink sink_name=program rate=48000" \
  -L "module-native-protocol-unix socket=$runtime/pulse auth-anonymous=1" &
pids+=($!)
export PULSE_SERVER="unix:$runtime/pulse" SDL_AUDIODRIVER=pulseaudio QT_QPA_PLATFORM=offscreen
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
for _ in $(seq 1 "${SPINNERS:-$(nproc)}"); do
  setsid sh -c 'while :; do :; done' &
  pids+=($!)
done
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
"$bench" --takes "$@" || status=$?
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status

#!/usr/bin/env bash
# The program's sound beside busy processes: minutes (600 s, or the seconds
# given) into a PulseAudio null sink with one spinning process per core,
# streaming to RTMP and SRT on the loopback; counts the device's dry spells
# and the streams' dropped frames. Three passes: the application as it is,
# the same without the privilege to make the sound thread real-time (an
# ordinary user where RealtimeKit is absent), and that again with the old
# 512-frame device block for comparison.
#   bash bench/sync/busy_sound_bench.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TESSARIN_BUILD_DIR:-$root/build}
seconds=${1:-600}
bench="$build/bench/sync/bench_busy_sound"
[ -x "$bench" ] || { echo "build it first: bash tools/build.sh -DTESSARIN_BUILD_BENCH=ON" >&2; exit 1; }
command -v pulseaudio >/dev/null || { echo "pulseaudio is missing: bash tools/setup.sh" >&2; exit 1; }
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen
# Without CAP_SYS_NICE and with RLIMIT_RTPRIO 0, as an ordinary user is.
unprivileged() {
  if command -v capsh >/dev/null && [ "$(id -u)" = 0 ]; then
    capsh --drop=cap_sys_nice -- -c 'ulimit -r 0; exec "$@"' -- "$@"
  else
    bash -c 'ulimit -r 0 2>/dev/null; exec "$@"' -- "$@"
  fi
}
status=0
echo "== as it is"
"$bench" "$seconds" || status=1
echo
echo "== without real-time scheduling"
unprivileged "$bench" "$seconds" || status=1
echo
echo "== without real-time scheduling, 512-frame block (the old one)"
unprivileged "$bench" "$seconds" 512 || true
exit $status

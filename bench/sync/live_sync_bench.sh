#!/usr/bin/env bash
# A live feed's picture and sound through the program: ten minutes (or the
# seconds given) of a flash-and-beep feed sent in real time to the
# program's ingest over RTMP, then over SRT, taken to air as a live item and
# streamed to RTMP and SRT listeners on the loopback, sound paced by a
# PulseAudio null sink. Prints the flash-to-beep offsets of each received
# file and a verdict; exits non-zero when either pass misses it.
#   bash bench/sync/live_sync_bench.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TESSARIN_BUILD_DIR:-$root/build}
seconds=${1:-600}
bench="$build/bench/sync/bench_live_sync"
[ -x "$bench" ] || { echo "build it first: bash tools/build.sh -DTESSARIN_BUILD_BENCH=ON" >&2; exit 1; }
command -v pulseaudio >/dev/null || { echo "pulseaudio is missing: bash tools/setup.sh" >&2; exit 1; }
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen
status=0
for protocol in rtmp srt; do
    echo "== feed over $protocol (load $(cut -d' ' -f1-3 /proc/loadavg))"
    "$bench" "$seconds" "$protocol" || status=1
    echo
done
exit $status

#!/usr/bin/env bash
# A live feed's picture and sound through the program: ten minutes (or the
# seconds given) of a flash-and-beep feed sent in real time to the
# program's ingest over RTMP, then over SRT, taken to air as a live item and
# streamed to RTMP and SRT listeners on the loopback, sound paced by a
# PulseAudio null sink. Prints the flash-to-beep offsets of each received
# file and a verdict; exits non-zero when either pass misses it.
#   bash bench/sync/live_sync_bench.sh [SECONDS]
set -euo pipefail
seconds=${1:-600}
bench=bench_live_sync
source "$(dirname "$0")/prelude.sh"
status=0
for protocol in rtmp srt; do
    echo "== feed over $protocol (load $(cut -d' ' -f1-3 /proc/loadavg))"
    "$bench" "$seconds" "$protocol" || status=1
    echo
done
exit $status

#!/usr/bin/env bash
# Every frame and beep of a 25 fps live feed through the program to two
# 25 fps streams, over RTMP then SRT, for two minutes (or the seconds
# given); with `busy`, beside one spinning process per core (ended at exit).
#   bash bench/sync/live_frames_bench.sh [SECONDS] [busy]
set -euo pipefail
seconds=${1:-120}
bench=bench_live_frames
source "$(dirname "$0")/prelude.sh"
spinners=()
if [ "${2:-}" = busy ]; then
    for _ in $(seq "$(nproc)"); do
        sh -c 'while :; do :; done' &
        spinners+=($!)
    done
    trap 'kill "${spinners[@]}" 2>/dev/null; rm -rf "$runtime"' EXIT
fi
for protocol in rtmp srt; do
    echo "== feed over $protocol (load $(cut -d' ' -f1-3 /proc/loadavg))"
    "$bench" "$seconds" "$protocol"
    echo
done

#!/usr/bin/env bash
# Picture-and-sound sync of both streams: ten minutes (or the seconds given)
# of the real program streamed to RTMP and SRT listeners on the loopback,
# sound paced by a PulseAudio null sink; first with the encoders starting
# at once, then with them starting a second late, then with a flash on the
# first picture of every item (the joins). Prints the flash-to-beep
# offset per item (min/median/max) in each received file, and a verdict;
# exits non-zero when either pass misses it.
#   bash bench/sync/sync_bench.sh [SECONDS] [FPS]
set -euo pipefail
seconds=${1:-600}
fps=${2:-30}
bench=bench_stream_sync
source "$(dirname "$0")/prelude.sh"
status=0
echo "== encoders starting at once"
"$bench" "$seconds" 0 "$fps" || status=1
echo
echo "== encoders starting 1 s late"
"$bench" "$seconds" 1 "$fps" || status=1
echo
echo "== a flash on every join"
"$bench" "$seconds" 0 "$fps" joins || status=1
exit $status

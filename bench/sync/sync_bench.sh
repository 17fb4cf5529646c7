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
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TESSARIN_BUILD_DIR:-$root/build}
seconds=${1:-600}
fps=${2:-30}
bench="$build/bench/sync/bench_stream_sync"
[ -x "$bench" ] || { echo "build it first: bash tools/build.sh -DTESSARIN_BUILD_BENCH=ON" >&2; exit 1; }
command -v pulseaudio >/dev/null || { echo "pulseaudio is missing: bash tools/setup.sh" >&2; exit 1; }
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen
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

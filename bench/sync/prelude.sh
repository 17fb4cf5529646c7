# Sourced by the sync benchmarks' scripts, with `bench` set to the name of
# the benchmark's program: points `bench` at the built program, checks for
# pulseaudio, and gives the run a runtime folder of its own (removed at
# exit) and offscreen Qt.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${TESSARIN_BUILD_DIR:-$root/build}
bench="$build/bench/sync/$bench"
[ -x "$bench" ] || { echo "build it first: bash tools/build.sh -DTESSARIN_BUILD_BENCH=ON" >&2; exit 1; }
command -v pulseaudio >/dev/null || { echo "pulseaudio is missing: bash tools/setup.sh" >&2; exit 1; }
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen

#!/usr/bin/env bash
# Configures and builds into build/ (Ninja, ccache). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
# AUTOMOC's parse cache can keep a header it read before it had Q_OBJECT (a
# merge brings a new class), and the link then misses its moc code; a rescan
# of the sources is cheap and regenerates only what changed.
find "$root/build" -name ParseCache.txt -delete 2>/dev/null || true
cmake --build "$root/build" --parallel "$(nproc)"

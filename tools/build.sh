#!/usr/bin/env bash
# Configures and builds into build/ (Ninja, ccache). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
# Under Ninja, AUTOMOC runs only when a file it saw last time changes, so a
# new Q_OBJECT header (a merge brings a new class) is missed and the link lacks
# its moc code. Dropping the stamps makes it look again: cheap, and it
# regenerates only what changed.
find "$root/build" -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build "$root/build" --parallel "$(nproc)"

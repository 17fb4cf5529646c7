#!/usr/bin/env bash
# Configures and builds into build/ (Ninja, ccache). Extra arguments go to cmake.
# TESSARIN_BUILD_DIR names another build directory (relative to the checkout
# or absolute), so a sanitizer build can live beside the normal one;
# TESSARIN_BUILD_JOBS caps the parallel compile jobs (default: every core);
# TESSARIN_BUILD_TARGET builds that target and what it needs (default: all,
# the tests and benchmarks included).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSARIN_BUILD_DIR:-build}
[[ $build = /* ]] || build="$root/$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
# Under Ninja, AUTOMOC runs only when a file it saw last time changes, so a
# new Q_OBJECT header (a merge brings a new class) is missed and the link lacks
# its moc code. Dropping the stamps makes it look again: cheap, and it
# regenerates only what changed.
find "$build" -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build "$build" --parallel "${TESSARIN_BUILD_JOBS:-$(nproc)}" \
  ${TESSARIN_BUILD_TARGET:+--target "$TESSARIN_BUILD_TARGET"}

#!/usr/bin/env bash
# Renders the interface's fixture states to PNG files, in Italian and
# English, under a private X server (Xvfb):
#   tools/screenshots.sh [OUTDIR] [STATE...]
# OUTDIR defaults to build/screenshots. States come from
# tools/screenshots/states/*.cpp (TESSARIN_SCREENSHOT); list them with
#   build/bin/tessarin_screenshots --list
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/screenshots}
[ $# -gt 0 ] && shift
bash "$root/tools/build.sh" >/dev/null
bash "$root/tests/support/make_test_media.sh" "$root/build/testmedia" >/dev/null 2>&1
mkdir -p "$out"
export SDL_AUDIODRIVER=dummy
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
for lang in it en; do
  xvfb-run -a -s "-screen 0 1920x1200x24 -noreset" \
    "$root/build/bin/tessarin_screenshots" --out "$out" --lang "$lang" "$@"
done

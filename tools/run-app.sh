#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tessarin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
exec "$root/build/bin/tessarin" "$@"

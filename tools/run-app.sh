#!/usr/bin/env bash
# Installs what is missing, builds the program alone (the tests are built by
# tools/run-tests.sh), and starts Tessarin; arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
TESSARIN_BUILD_TARGET=tessarin bash "$root/tools/build.sh"
exec "$root/build/bin/tessarin" "$@"

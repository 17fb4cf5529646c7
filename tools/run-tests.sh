#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite through
# CTest: offscreen Qt, SDL's dummy audio, and a private D-Bus session with an
# unlocked keyring under a temporary HOME, so keychain tests are real.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"

sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/home" "$sandbox/runtime"
chmod 700 "$sandbox/runtime"

export HOME="$sandbox/home" XDG_RUNTIME_DIR="$sandbox/runtime"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY
exec dbus-run-session -- bash -c '
  set -euo pipefail
  eval "$(printf "tessarin" | gnome-keyring-daemon --unlock --components=secrets)" >/dev/null
  export GNOME_KEYRING_CONTROL
  cd "$1/build"
  ctest --output-on-failure --parallel "$(nproc)" --timeout 600
' run-tests "$root"

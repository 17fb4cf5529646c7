#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite through
# CTest: offscreen Qt, SDL's dummy audio, and a private D-Bus session with an
# unlocked keyring under a temporary HOME, so keychain tests are real.
# Arguments go to cmake, and TESSARIN_BUILD_DIR / TESSARIN_BUILD_JOBS to
# tools/build.sh, so a sanitizer build runs its suite in its own directory:
#   TESSARIN_BUILD_DIR=build-asan bash tools/run-tests.sh -DTESSARIN_SANITIZE=ON
# TESSARIN_TEST_JOBS caps the tests run at once (default: every core);
# TESSARIN_SKIP_BUILD=1 runs the suite of the build directory as it is;
# TESSARIN_TEST_ARGS adds arguments to ctest (e.g. "-R Schedule").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSARIN_BUILD_DIR:-build}
[[ $build = /* ]] || build="$root/$build"
if [ "${TESSARIN_SKIP_BUILD:-0}" != 1 ]; then
  bash "$root/tools/setup.sh"
  bash "$root/tools/build.sh" "$@"
fi

sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/home" "$sandbox/runtime"
chmod 700 "$sandbox/runtime"

export HOME="$sandbox/home" XDG_RUNTIME_DIR="$sandbox/runtime"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export TESSARIN_TEST_JOBS=${TESSARIN_TEST_JOBS:-$(nproc)}
unset DISPLAY WAYLAND_DISPLAY
# The keyring's password: the tests that lock the keyring unlock it with it.
export TESSARIN_KEYRING_PASSWORD=tessarin
exec dbus-run-session -- bash -c '
  set -euo pipefail
  eval "$(printf "%s" "$TESSARIN_KEYRING_PASSWORD" | gnome-keyring-daemon --unlock --components=secrets)" >/dev/null
  export GNOME_KEYRING_CONTROL
  cd "$1"
  ctest --output-on-failure --parallel "$TESSARIN_TEST_JOBS" --timeout 600 ${TESSARIN_TEST_ARGS:-}
' run-tests "$build"

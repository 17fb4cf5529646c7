#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what lands there: the
# program without its debug information (the build tree's copy keeps it), the
# notices, no translation file (the program reads its embedded one), and a
# notices file that names every library the program links.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

before=$(sha256sum "$build/bin/tessarin" | cut -d' ' -f1)
cmake --install "$build" --prefix "$prefix" >/dev/null
program=$prefix/bin/tessarin
[ -x "$program" ] || fail "no bin/tessarin"
readelf -S "$program" | grep -q '\.debug_info' && fail "the installed program keeps its debug information"
[ "$(sha256sum "$build/bin/tessarin" | cut -d' ' -f1)" = "$before" ] || fail "the build tree's program was changed"
echo "installed program: $(stat -c %s "$program") bytes, no debug information"

notices=$prefix/share/tessarin/ThirdPartyNotices.txt
[ -f "$notices" ] || fail "no notices file"
find "$prefix" -name '*.qm' | grep -q . && fail "a translation file is installed that the program never reads"

# Each linked library and the name it goes by in the notices.
missing=""
for library in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
  case "$library" in
    libQt6*) name="Qt 6" ;;
    libavformat*|libavcodec*|libavutil*|libswscale*|libswresample*|libavdevice*) name="FFmpeg" ;;
    libSDL2*) name="SDL2" ;;
    libsecret*) name="libsecret" ;;
    libglib*|libgobject*|libgio*) name="GLib" ;;
    libudev*) name="libudev" ;;
    libX11.*) name="libX11" ;;
    libXrandr*) name="libXrandr" ;;
    libdate-tz*) name="date" ;;
    libc.so*|libm.so*|ld-linux*) name="GNU C Library" ;;
    libstdc++*|libgcc_s*) name="GCC runtime" ;;
    *) missing="$missing $library(not known to this check)"; continue ;;
  esac
  grep -qF "$name" "$notices" || missing="$missing $library"
done
[ -z "$missing" ] || fail "the notices do not name:$missing"
echo "the notices name every linked library"

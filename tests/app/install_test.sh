#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what lands there: the
# program without its debug information (the build tree's copy keeps it), the
# notices, no translation file (the program reads its embedded one), a
# notices file that names every library the program links and where the
# system keeps their licences, the project's licence, AppStream metadata that
# appstreamcli finds valid and that names the desktop entry, an entry that
# opens a show given to it and names the windows' class, a show file type
# (*.vellumcast) that shared-mime-info takes and that the entry and the
# metadata declare, and the installed
# program answering --version and --help without a display, in the stored
# language.
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
readelf -S "$program" | grep '\.debug_info' >/dev/null && fail "the installed program keeps its debug information"
[ "$(sha256sum "$build/bin/tessarin" | cut -d' ' -f1)" = "$before" ] || fail "the build tree's program was changed"
echo "installed program: $(stat -c %s "$program") bytes, no debug information"

notices=$prefix/share/tessarin/ThirdPartyNotices.txt
[ -f "$notices" ] || fail "no notices file"
find "$prefix" -name '*.qm' | grep . >/dev/null && fail "a translation file is installed that the program never reads"

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
    libmimalloc*) name="mimalloc" ;;
    *) missing="$missing $library(not known to this check)"; continue ;;
  esac
  grep -qF "$name" "$notices" || missing="$missing $library"
done
[ -z "$missing" ] || fail "the notices do not name:$missing"
echo "the notices name every linked library"

# Every licence or copyright file of the system the notices point to is there.
for file in $(grep -E '^  (Licence|Copyright)' "$notices" | grep -o '/usr/share/[A-Za-z0-9./+_-]*[A-Za-z0-9]' | sort -u); do
  [ -f "$file" ] || fail "the notices point to $file, which this system lacks"
done
echo "the notices' licence files exist"

license=$prefix/share/licenses/tessarin/LICENSE
grep -q '^MIT License' "$license" 2>/dev/null || fail "no MIT licence of the project at $license"
metainfo=$prefix/share/metainfo/org.vellumcast.Tessarin.metainfo.xml
[ -f "$metainfo" ] || fail "no AppStream metadata"
appstreamcli validate --no-net "$metainfo" >"$prefix/validate.txt" 2>&1 || { cat "$prefix/validate.txt"; fail "the AppStream metadata is not valid"; }
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metadata does not name the project's licence"
entry=$prefix/share/applications/tessarin.desktop
grep -q '<launchable type="desktop-id">tessarin.desktop</launchable>' "$metainfo" || fail "the metadata does not launch the desktop entry"
grep -qx 'Exec=tessarin %f' "$entry" || fail "the desktop entry does not pass a show file to the program"
# The class of the program's windows is its application name (smoke_test.sh
# reads it from a real window).
grep -qx 'StartupWMClass=Vellumcast' "$entry" || fail "the desktop entry does not name the windows' class"
echo "metadata valid, licence and desktop entry in place"

# The show files' type: a definition shared-mime-info reads, matching
# *.vellumcast, declared by the entry and the metadata.
mime=$prefix/share/mime/packages/tessarin.xml
[ -f "$mime" ] || fail "no shared-mime-info definition of the show files"
type=application/x-vellumcast
grep -qx "MimeType=$type;" "$entry" || fail "the desktop entry does not declare the show files' type"
grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "the metadata does not declare the show files' type"
if command -v update-mime-database >/dev/null; then
  update-mime-database "$prefix/share/mime" >"$prefix/mime.txt" 2>&1 || { cat "$prefix/mime.txt"; fail "shared-mime-info refuses the definition"; }
  grep -qx "50:$type:\*\.vellumcast" "$prefix/share/mime/globs2" || fail "*.vellumcast is not of type $type"
  grep -q "^$type\b" "$prefix/share/mime/types" || fail "shared-mime-info does not list $type"
  echo "the show files' type: $(grep -x "50:$type:.*" "$prefix/share/mime/globs2")"
else
  echo "update-mime-database is missing: the definition is not checked against it"
fi

# Help and version without a display, in the language of the settings.
home=$prefix/home
mkdir -p "$home/config/Vellumcast"
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/config" "$program" "$@"; }
out=$(run --version) || fail "--version ended with status $?"
[ "$out" = "Tessarin $(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo")" ] \
  || fail "--version printed \"$out\", not the release of the metadata"
for language in it en; do
  printf '[General]\nVellumcast.language=%s\n' "$language" >"$home/config/Vellumcast/Vellumcast.ini"
  out=$(run --help) || fail "--help ended with status $?"
  case $language in
    it) expected='Uso: tessarin' ;;
    en) expected='Usage: tessarin' ;;
  esac
  [[ "$out" == "$expected"* ]] || fail "--help in $language printed: $out"
done
echo "--version and --help answer without a display: $(run --version)"

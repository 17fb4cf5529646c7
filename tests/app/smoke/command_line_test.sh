#!/usr/bin/env bash
# The real program's command line without a display: help and version
# answered, an unknown option or a second show refused with status 2 and the
# reason on standard error, Qt's own options passed over, and none of these
# leaving a settings file behind.
#   command_line_test.sh PROGRAM
set -euo pipefail
program=${1:?program}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
settings=$home/config/Vellumcast/Vellumcast.ini

# arguments | status | what standard output starts with | what standard error holds
rows=(
  "--help|0|Uso: tessarin|"
  "--version|0|Tessarin |"
  "-h -v|0|Uso: tessarin|"
  "--foo|2||opzione sconosciuta: --foo"
  "-hv|2||opzione sconosciuta: -hv"
  "-platform offscreen --foo|2||opzione sconosciuta: --foo"
  "--style fusion --help|0|Uso: tessarin|"
  "-reverse -- --help extra|2||in più: extra"
  "Sera.vellumcast Notte.vellumcast|2||in più: Notte.vellumcast"
)
for row in "${rows[@]}"; do
  IFS='|' read -r arguments status out err <<<"$row"
  rm -rf "$home/config"
  set +e
  # shellcheck disable=SC2086 # the arguments are split on purpose
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 HOME="$home" \
    XDG_CONFIG_HOME="$home/config" timeout 30 "$program" $arguments >"$home/out" 2>"$home/err"
  got=$?
  set -e
  [ "$got" = "$status" ] || fail "tessarin $arguments ended with $got, not $status: $(cat "$home/err")"
  [[ "$(cat "$home/out")" == "$out"* ]] || fail "tessarin $arguments printed: $(cat "$home/out")"
  if [ -n "$err" ]; then
    grep -qF -- "$err" "$home/err" || fail "tessarin $arguments said on standard error: $(cat "$home/err")"
    grep -qF -- "--help" "$home/err" || fail "tessarin $arguments gave no hint of --help"
  else
    [ ! -s "$home/err" ] || fail "tessarin $arguments wrote to standard error: $(cat "$home/err")"
  fi
  [ ! -e "$settings" ] || fail "tessarin $arguments left a settings file"
  echo "tessarin $arguments: status $got"
done

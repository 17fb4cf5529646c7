#!/usr/bin/env bash
# Runs the real program twice in one private D-Bus session: the second start,
# given a show, hands over to the first, which opens that show, and ends
# with status 0 while the first keeps running; then SIGTERM ends the first
# the orderly way (status 0, within the time its end is given), and its
# settings file is readable by its owner only.
#   instance_test.sh TESSARIN_BINARY
# Exits 77 (skipped) when dbus-run-session or dbus-send is missing.
set -euo pipefail
binary=${1:?binary}

for tool in dbus-run-session dbus-send; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ -z "${INSTANCE_INNER:-}" ]; then
  export INSTANCE_INNER=1
  exec dbus-run-session -- bash "$0" "$@"
fi

work=$(mktemp -d)
first=""
cleanup() {
  [ -n "$first" ] && kill -KILL "$first" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work"/log-*.txt 2>/dev/null || true; exit 1; }

export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

wait_for() { # seconds, command...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.vellumcast.Tessarin 2>/dev/null | grep -q 'boolean true'
}
alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! alive "$1"; }

"$binary" >"$work/log-first.txt" 2>&1 &
first=$!
wait_for 30 owned || fail "the first start does not own its name on the session bus"
alive "$first" || fail "the first start ended"

echo '{"blocks":[],"browser":[],"layers":[],"version":1}' > "$work/Sera.vellumcast"
"$binary" "$work/Sera.vellumcast" >"$work/log-second.txt" 2>&1 &
second=$!
wait_for 30 gone "$second" || { kill -KILL "$second"; fail "the second start keeps running"; }
status=0
wait "$second" || status=$?
[ "$status" -eq 0 ] || fail "the second start ended with status $status"
grep -q "did not answer" "$work/log-second.txt" && fail "the running program did not answer the second start"
alive "$first" || fail "the first start ended when the second came"
ini=$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini
opened() { grep -q "lastShowPath=.*Sera.vellumcast" "$ini" 2>/dev/null; }
wait_for 30 opened || fail "the running program did not open the show the second start was given"
echo "a second start handed its show over to the running one"

kill -TERM "$first"
wait_for 30 gone "$first" || fail "SIGTERM did not end the program"
status=0
wait "$first" || status=$?
first=""
[ "$status" -eq 0 ] || fail "SIGTERM ended the program with status $status instead of the orderly end"
echo "SIGTERM ended the program with status 0"

[ -f "$ini" ] || fail "no settings file"
mode=$(stat -c %a "$ini")
[ "$mode" = 600 ] || fail "the settings file has mode $mode"
echo "the settings file has mode 600"

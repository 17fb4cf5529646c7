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
here=$(cd "$(dirname "$0")" && pwd)
session=bus
source "$here/session.sh"

# The first start is the program under test (`pid`).
launch
wait_for 30 owned || fail "the first start does not own its name on the session bus"
alive || fail "the first start ended"

echo '{"blocks":[],"browser":[],"layers":[],"version":1}' > "$work/Sera.vellumcast"
"$binary" "$work/Sera.vellumcast" >"$work/log-second.txt" 2>&1 &
second=$!
wait_for 30 gone "$second" || { kill -KILL "$second"; fail "the second start keeps running"; }
status=0
wait "$second" || status=$?
[ "$status" -eq 0 ] || fail "the second start ended with status $status"
grep -q "did not answer" "$work/log-second.txt" && fail "the running program did not answer the second start"
alive || fail "the first start ended when the second came"
opened() { grep -q "lastShowPath=.*Sera.vellumcast" "$conf" 2>/dev/null; }
wait_for 30 opened || fail "the running program did not open the show the second start was given"
echo "a second start handed its show over to the running one"

kill -TERM "$pid"
ended 30 "SIGTERM"

[ -f "$conf" ] || fail "no settings file"
mode=$(stat -c %a "$conf")
[ "$mode" = 600 ] || fail "the settings file has mode $mode"
echo "the settings file has mode 600"

#!/usr/bin/env bash
# SIGTERM at several moments of the real program's start ends it the orderly
# way (status 0, nothing left running): as soon as it takes the signal at
# all, at set delays after that, and once it owns its name on the session
# bus. The handlers come before the single-instance check: a program held
# as soon as it takes the signal has not claimed its name yet.
#   start_signals_test.sh TESSARIN_BINARY
# Exits 77 (skipped) when dbus-run-session or dbus-send is missing.
set -euo pipefail
binary=${1:?binary}
here=$(cd "$(dirname "$0")" && pwd)
session=bus
source "$here/session.sh"
# Close looks: the signal is sent right after the name is owned.
poll=0.05
# Whether the process catches SIGTERM: bit 15 of the caught-signal mask
# (read without a child process, so the first moment is caught closely).
# The name is the program's, not the shell's that is starting it.
name=$(basename "$binary" | cut -c1-15)
catches_term() {
  local key value ours=0
  while read -r key value; do
    [ "$key" = Name: ] && [ "$value" = "$name" ] && ours=1
    [ "$key" = SigCgt: ] && { (( ours && 16#$value & 0x4000 )); return; }
  done <"/proc/$pid/status" 2>/dev/null
  return 1
}
until_catches_term() { # tight: no pause between looks
  local deadline=$((SECONDS + 60))
  until catches_term; do
    [ $SECONDS -lt $deadline ] || return 1
    kill -0 "$pid" 2>/dev/null || return 1
  done
}

# moment: "caught" (as soon as the handler is in), a delay in seconds after
# that, or "owned" (once the name is on the bus).
early_owned=0
for moment in caught caught caught 0.05 0.2 0.5 1 owned; do
  launch
  until_catches_term || fail "the program never took SIGTERM"
  case $moment in
    caught)
      # Held still while the bus is asked: the handlers come before the
      # single-instance check, so the name cannot be owned yet.
      # (A busy machine may let the program run on before it is held: only
      # a name found at every one of these starts is a fault.)
      kill -STOP "$pid"
      owned && early_owned=$((early_owned + 1))
      kill -TERM "$pid"
      kill -CONT "$pid" ;;
    owned) wait_for 60 owned || fail "the program does not own its name"
      kill -TERM "$pid" ;;
    *) sleep "$moment"
      kill -TERM "$pid" ;;
  esac
  ended 60 "SIGTERM at start ($moment)"
  wait_for 30 eval '! owned' || fail "the name stays on the bus after the end"
done
[ "$early_owned" -lt 3 ] || fail "the signal handlers come after the single-instance check"

#!/usr/bin/env bash
# Runs the real program on two monitors (Xorg's dummy driver, DUMMY0 and
# DUMMY1 side by side) and unplugs the one its full-screen output is on:
# - the output window goes, and nothing stays above the main window on the
#   monitor left;
# - the top bar's button reads "Uscita esterna" again, and the reason is
#   said on the accessibility bus and shown on the output page;
# - plugged in again, the monitor is offered on the output page and no
#   output starts by itself;
# - with the operator's monitor unplugged instead, the main window moves to
#   the output's monitor: the output stops first and says why.
#   output_unplug_test.sh TESSARIN_BINARY
# Exits 77 (skipped) when Xorg's dummy driver cannot start, or when xrandr,
# xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
here=$(cd "$(dirname "$0")" && pwd)
command -v xrandr >/dev/null || { echo "SKIP: xrandr is not installed (x11-xserver-utils)"; exit 77; }
xorg_config=$here/two_dummy_outputs.conf
source "$here/session.sh"

# Both monitors at 1600 x 900, the second on the right of the first.
xrandr --addmode DUMMY1 1600x900 2>/dev/null || true
plug() { xrandr --output DUMMY0 --mode 1600x900 --pos 0x0 --primary --output DUMMY1 --mode 1600x900 --pos 1600x0; }
plug || fail "xrandr could not turn on two dummy monitors"

output_shown() { xdotool search --onlyvisible --name '^Uscita di Tessarin$' >/dev/null 2>&1; }
output_gone() { ! output_shown; }
# The left edge of the visible output window, in `left`.
left=""
output_left() { left=$(xdotool getwindowgeometry "$(xdotool search --onlyvisible --name '^Uscita di Tessarin$' | sed -n 1p)" | sed -n 's/.*Position: \([-0-9]*\),.*/\1/p'); [ -n "$left" ]; }

settings
launch
wait_for 60 find_window '^Show senza titolo' || fail "the main window did not come"
wait_for 60 find_shown 'Uscita esterna' 'push button' || fail "no output button in the top bar"
listen

for round in 1 2; do
  # The output on the second monitor, in its current mode.
  click_named 'Uscita esterna' 'push button'
  click_named 'Avvia uscita fullscreen' 'push button'
  wait_for 20 output_shown || fail "round $round: the output window did not open"
  wait_for 10 output_left || fail "round $round: the output window has no place"
  [ "$left" -ge 1600 ] || fail "round $round: the output window is at x $left, not on DUMMY1"
  wait_for 10 named 'Uscita attiva' 'push button' || fail "round $round: the top bar does not say the output runs"
  xdotool key Escape

  # Unplugged: gone before it can cover the main window, stopped, and said.
  xrandr --output DUMMY1 --off
  wait_for 20 output_gone || fail "round $round: the output window stayed after its monitor went (at x $left)"
  expect_heard 'Uscita interrotta: DUMMY1 è stato scollegato\.' "round $round: the output's end"
  wait_for 10 named 'Uscita esterna' 'push button' || fail "round $round: the top bar still says the output runs"
  named 'Uscita attiva' 'push button' && fail "round $round: the top bar still says the output runs"
  click_named 'Uscita esterna' 'push button'
  wait_for 10 named 'Uscita interrotta: DUMMY1 è stato scollegato.' 'label' \
    || fail "round $round: the output page does not say why the output stopped"
  xdotool key Escape

  # Plugged in again: offered, not started.
  plug
  click_named 'Uscita esterna' 'push button'
  wait_for 20 find_shown 'Avvia uscita fullscreen' 'push button' \
    || fail "round $round: the monitor plugged in again is not offered"
  output_shown && fail "round $round: the output started by itself"
  named 'Uscita attiva' 'push button' && fail "round $round: the top bar says an output runs"
  xdotool key Escape
  echo "round $round: the output stopped with its monitor and waited to be started again"
done

# The operator's monitor unplugged: the main window goes to the one left.
click_named 'Uscita esterna' 'push button'
click_named 'Avvia uscita fullscreen' 'push button'
wait_for 20 output_shown || fail "the output window did not open for the operator's monitor's round"
xdotool key Escape
xrandr --output DUMMY0 --off
wait_for 20 output_gone || fail "the output window stayed over the main window moved to its monitor"
expect_heard 'Uscita interrotta: la finestra di Tessarin passa su DUMMY1\.' "the output's end under the main window"
wait_for 10 named 'Uscita esterna' 'push button' || fail "the top bar still says the output runs"
plug
echo "the operator's monitor: the output stopped before the main window came under it"
stop_listening

focus_main
xdotool key ctrl+q
ended 20 "the quit"
echo "PASS"

#!/usr/bin/env bash
# Runs the real program on a screen too small for its default size (1366 x
# 768, or 2560 x 1440 at a scale of 2) with a window manager (openbox) and
# no settings, then, at a scale of 1, again after the operator gave its
# window a size and a place of their own:
# - the first window is maximised, every edge of its frame and the top
#   bar's "Impostazioni" on the screen;
# - unmaximised, resized and moved by the window manager, then quit, it
#   comes back at that size and place, not maximised.
#   window_frame_test.sh TESSARIN_BINARY [WIDTHxHEIGHT SCALE]
# Exits 77 (skipped) when openbox, Xvfb, xdotool or the Python helpers are
# missing.
set -euo pipefail
binary=${1:?binary}
here=$(cd "$(dirname "$0")" && pwd)
command -v openbox >/dev/null || { echo "SKIP: openbox is not installed"; exit 77; }
size=${2:-1366x768}
scale=${3:-1}
screen_w=${size%x*}
screen_h=${size#*x}
xvfb_screen=${size}x24
source "$here/session.sh"
[ "$scale" = 1 ] || export QT_SCALE_FACTOR=$scale

# The window manager, ended with the script as its helper process.
openbox >/dev/null 2>&1 &
listener=$!

# The main window's geometry as the window manager has it: `x y w h` of
# the client, and whether it is maximised.
geometry=""
read_geometry() {
  geometry=$("$python" - "$window" <<'PY'
import sys
from Xlib import display, X
d = display.Display()
w = d.create_resource_object('window', int(sys.argv[1]))
g = w.get_geometry()
at = w.translate_coords(d.screen().root, 0, 0)
state = w.get_full_property(d.intern_atom('_NET_WM_STATE'), X.AnyPropertyType)
names = [d.get_atom_name(a) for a in (state.value if state else [])]
print(-at.x, -at.y, g.width, g.height, 'maximised' if '_NET_WM_STATE_MAXIMIZED_VERT' in names else 'normal')
PY
)
  [ -n "$geometry" ]
}
unmaximise() {
  "$python" - "$window" <<'PY'
import sys
from Xlib import display, X, protocol
d = display.Display()
root = d.screen().root
w = d.create_resource_object('window', int(sys.argv[1]))
atom = d.intern_atom
event = protocol.event.ClientMessage(window=w, client_type=atom('_NET_WM_STATE'),
    data=(32, [0, atom('_NET_WM_STATE_MAXIMIZED_VERT'), atom('_NET_WM_STATE_MAXIMIZED_HORZ'), 1, 0]))
root.send_event(event, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
d.sync()
PY
}
is_state() { read_geometry && [ "${geometry##* }" = "$1" ]; }
is_at() { read_geometry && [ "$geometry" = "$1" ]; }

settings
launch
wait_for 60 find_window '^Show senza titolo' || fail "the main window did not come"
wait_for 20 is_state maximised || fail "the first window on $size at scale $scale is not maximised: $geometry"
read -r x y w h _ <<<"$geometry"
[ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$screen_w" ] && [ $((y + h)) -le "$screen_h" ] \
  || fail "the first window reaches past the screen: $geometry"
wait_for 60 find_shown 'Impostazioni' 'push button' || fail "no Impostazioni in the top bar"
read -r bx by <<<"$xy"
[ "$bx" -lt "$screen_w" ] && [ "$by" -lt "$screen_h" ] || fail "Impostazioni is off the screen at $xy"
echo "first start on $size at scale $scale: $geometry, Impostazioni at $xy"
if [ "$scale" != 1 ]; then
  focus_main
  xdotool key ctrl+q
  ended 20 "the quit"
  echo "PASS"
  exit 0
fi

# The operator's own size and place.
unmaximise
wait_for 10 is_state normal || fail "the window did not leave its maximised state: $geometry"
xdotool windowsize --sync "$window" 1180 710 2>/dev/null || xdotool windowsize "$window" 1180 710
xdotool windowmove --sync "$window" 60 20 2>/dev/null || xdotool windowmove "$window" 60 20
wait_for 10 eval 'read_geometry && [ "$(cut -d" " -f3,4 <<<"$geometry")" = "1180 710" ]' \
  || fail "the window manager did not give the window 1180 x 710: $geometry"
kept=$geometry
focus_main
xdotool key ctrl+q
ended 20 "the first run's quit"
grep -q 'Vellumcast.mainWindow.maximized=false' "$conf" || fail "the frame was not kept: $(grep mainWindow "$conf")"

launch
wait_for 60 find_window '^Show senza titolo' || fail "the main window did not come again"
wait_for 20 is_at "$kept" || fail "the window came back at $geometry, not at $kept"
echo "second start: $geometry"
focus_main
xdotool key ctrl+q
ended 20 "the second run's quit"
echo "PASS"

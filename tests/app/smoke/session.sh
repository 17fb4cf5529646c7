# The start shared by the scripts that drive the real program under a private
# X server; sourced right after they set `python`. Exits 77 (skipped) when
# Xvfb, xdotool or the Python helpers are missing; otherwise runs the calling
# script again inside its own X server and D-Bus session (the accessibility
# bus lives there), then gives it a private folder `work` (removed by the
# caller's cleanup) holding the user's home, settings and show folder, and a
# keyring of the session's own, unlocked: the stream destinations read their
# addresses from it at start, and a keyring of an outer session (the test
# runner's) cannot serve this bus.
for tool in Xvfb xdotool dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (tools/setup.sh installs it)"; exit 77; }
done
"$python" -c 'import Xlib, pyatspi' 2>/dev/null || { echo "SKIP: python3-xlib or python3-pyatspi missing"; exit 77; }

if [ -z "${SMOKE_INNER:-}" ]; then
  export SMOKE_INNER=1
  # The server picks a free display itself and writes its number once it
  # accepts connections: no guess at a free number that a parallel run (or a
  # lock left by a killed one) can take first.
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
  xvfb=$!
  number=""
  read -r number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    kill "$xvfb" 2>/dev/null
    echo "FAIL: the private X server did not start"
    exit 1
  fi
  trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
  trap 'exit 143' TERM INT HUP
  DISPLAY=:$number dbus-run-session -- bash "$0" "$@"
  exit $?
fi

work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Vellumcast" "$XDG_RUNTIME_DIR" "$work/show"
chmod 700 "$XDG_RUNTIME_DIR"
unset GNOME_KEYRING_CONTROL
if command -v gnome-keyring-daemon >/dev/null; then
  eval "$(printf tessarin | gnome-keyring-daemon --unlock --components=secrets)" >/dev/null
  export GNOME_KEYRING_CONTROL
fi

# The start and the helpers shared by the scripts that drive the real program
# from outside; sourced right after `set -euo pipefail` and `here`. It runs
# the calling script again inside a D-Bus session of its own and, unless the
# caller set `session=bus` first, a private X server (the accessibility bus
# lives in that session), then gives it a private folder `work` (removed on
# exit) holding the user's home, settings and show folder. Under X the
# session also has a keyring of its own, unlocked: the stream destinations
# read their addresses from it at start, and a keyring of an outer session
# (the test runner's) cannot serve this bus. Exits 77 (skipped) when a tool
# or a Python helper it needs is missing.
python=/usr/bin/python3
session=${session:-x11}
if [ "$session" = bus ]; then
  tools=(dbus-run-session dbus-send)
else
  tools=(Xvfb xdotool dbus-run-session)
fi
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (tools/setup.sh installs it)"; exit 77; }
done
if [ "$session" != bus ]; then
  "$python" -c 'import Xlib, pyatspi' 2>/dev/null || { echo "SKIP: python3-xlib or python3-pyatspi missing"; exit 77; }
fi

if [ -z "${SMOKE_INNER:-}" ]; then
  export SMOKE_INNER=1
  [ "$session" = bus ] && exec dbus-run-session -- bash "$0" "$@"
  # The server picks a free display itself and writes its number once it
  # accepts connections: no guess at a free number that a parallel run (or a
  # lock left by a killed one) can take first. -noreset: by default the
  # server resets when its last client leaves, and a client connecting
  # meanwhile (the program starting as a helper's connection closes) is cut
  # off and the program aborts.
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # A caller may ask for another screen size (`xvfb_screen`), or for Xorg
  # with a configuration of its own (`xorg_config`: a dummy driver's screens
  # that xrandr turns on and off); it then skips when Xorg cannot start.
  if [ -n "${xorg_config:-}" ]; then
    command -v Xorg >/dev/null || { rm -f "$fifo"; echo "SKIP: Xorg is not installed"; exit 77; }
    # A name only: Xorg keeps an existing log file as .old.
    xorg_log=$(mktemp -u)
    Xorg -displayfd 3 -config "$xorg_config" -logfile "$xorg_log" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  else
    Xvfb -displayfd 3 -screen 0 "${xvfb_screen:-1600x1000x24}" -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
  fi
  xvfb=$!
  number=""
  read -r number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    kill "$xvfb" 2>/dev/null || true
    if [ -n "${xorg_config:-}" ]; then
      echo "SKIP: Xorg with the dummy driver did not start: $(sed -n '/Fatal server error/{n;s/^\[[^]]*\] (EE) //;p;q}' "$xorg_log" 2>/dev/null)"
      rm -f "$xorg_log"
      exit 77
    fi
    echo "FAIL: the private X server did not start"
    exit 1
  fi
  trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -f "${xorg_log:-}" "${xorg_log:-}.old"' EXIT
  trap 'exit 143' TERM INT HUP
  DISPLAY=:$number dbus-run-session -- bash "$0" "$@"
  exit $?
fi

work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Vellumcast" "$XDG_RUNTIME_DIR" "$work/show"
chmod 700 "$XDG_RUNTIME_DIR"
conf=$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini
export SDL_AUDIODRIVER=dummy
if [ "$session" = bus ]; then
  export QT_QPA_PLATFORM=offscreen
else
  export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
  unset GNOME_KEYRING_CONTROL
  if command -v gnome-keyring-daemon >/dev/null; then
    eval "$(printf tessarin | gnome-keyring-daemon --unlock --components=secrets)" >/dev/null
    export GNOME_KEYRING_CONTROL
  fi
fi

# The program under test (`pid`, its output in log.txt) and a helper
# process (`listener`), both ended with the script.
pid=""
listener=""
cleanup() {
  [ -n "$listener" ] && kill "$listener" 2>/dev/null || true
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
  chmod -R u+rwX "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; tail -n 40 "$work"/log*.txt 2>/dev/null || true; exit 1; }

launch() { # ARGUMENT...: the program started with them
  "$binary" "$@" >"$work/log.txt" 2>&1 &
  pid=$!
}
alive() { kill -0 "${1:-$pid}" 2>/dev/null; }
gone() { ! alive "$@"; }
# Waits at most SECONDS for the command to succeed, looking every `poll`
# seconds; gives up at once (after a last look) when the program has ended.
poll=0.2
wait_for() { # SECONDS COMMAND...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    if [ -n "$pid" ] && ! alive; then "$@"; return; fi
    sleep "$poll"
  done
}
# Where each of the program's threads is, when gdb is there to say.
stacks() {
  command -v gdb >/dev/null || return 0
  timeout 60 gdb -p "$pid" -batch -nx -ex 'set print thread-events off' -ex 'thread apply all bt 12' 2>/dev/null \
    | grep -E '^(Thread|#)' || true
}
# Waits at most SECONDS for the program to end; it must end cleanly, with
# status 0.
ended() { # SECONDS WHAT
  local began=$SECONDS status=0
  wait_for "$1" gone || { stacks; fail "$2: still running after $1 s"; }
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "$2: exit status $status"
  grep -q 'without cleanup' "$work/log.txt" && fail "$2: left without cleanup"
  echo "$2: ended with status 0 in about $((SECONDS - began)) s"
}

if [ "$session" = bus ]; then
  owned() { # whether the program's name is on the session bus
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.vellumcast.Tessarin 2>/dev/null | grep 'boolean true' >/dev/null
  }
  return 0
fi

# The settings file: Italian, with the given lines.
settings() { # [LINE...]
  { echo '[General]'; printf '%s\n' "$@"; echo 'Vellumcast.language=it'; } >"$conf"
}
# The settings line binding each action to a key code without modifiers.
shortcuts() { # ACTION=KEY_CODE...
  "$python" - "$@" <<'PY'
import json, sys
compact = {'separators': (',', ':')}
bindings = {}
for pair in sys.argv[1:]:
    action, code = pair.split('=')
    bindings[action] = json.dumps({'keyCode': int(code), 'modifiers': 0}, **compact)
text = json.dumps(bindings, **compact)
print('Vellumcast.shortcuts.v1="' + text.replace('\\', '\\\\').replace('"', '\\"') + '"')
PY
}
# A show item of the file NAME in the show folder.
item() { # NAME [LOOP] [MUTED]
  echo "{\"gainDB\":0,\"inPoint\":0,\"isMuted\":${3:-false},\"loop\":${2:-false},\"path\":\"$work/show/$1\",\"relativePath\":\"$1\"}"
}
# COUNT files of one sound, "NAME 001.wav" on, in the folder FOLDER of the
# show folder (a copy of SOURCE and links of it), as show items joined by
# commas.
sound_items() { # SOURCE FOLDER NAME COUNT
  local first n items=""
  first=$(printf '%s/%s %03d.wav' "$2" "$3" 1)
  mkdir -p "$work/show/$2"
  cp "$1" "$work/show/$first"
  for n in $(seq 1 "$4"); do
    local file
    file=$(printf '%s/%s %03d.wav' "$2" "$3" "$n")
    [ "$n" -eq 1 ] || ln "$work/show/$first" "$work/show/$file"
    items+="${items:+,}$(item "$file")"
  done
  echo "$items"
}

window=""
find_window() { window=$(xdotool search --name "$1" 2>/dev/null | sed -n 1p); [ -n "$window" ]; }
focus_main() { xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"; }
# The centre of the first accessible object named NAME (that is shown, with
# find_shown), in `xy`.
xy=""
find_named() { xy=$("$python" "$here/x11.py" find "$@" 2>/dev/null); [ -n "$xy" ]; }
find_shown() { xy=$("$python" "$here/x11.py" shown "$@" 2>/dev/null); [ -n "$xy" ]; }
named() { "$python" "$here/x11.py" find "$@" >/dev/null 2>&1; }
click_named() { # NAME [ROLE]: a real click on the shown object
  wait_for 10 find_shown "$@" || fail "nothing shown named $1${2:+ of role $2}"
  xdotool mousemove --sync $xy click 1
}

# Announcements on the accessibility bus, one a line in `heard` as they come.
heard=$work/announced.txt
listen() {
  "$python" "$here/announcements.py" "$heard" &
  listener=$!
  wait_for 10 grep -qs '^listening$' "$heard" || fail "the announcement listener did not start"
}
stop_listening() {
  kill "$listener" 2>/dev/null || true
  listener=""
  echo "announced: $(grep -v '^listening$' "$heard" | tr '\n' '|')"
}
expect_heard() { # LINE WHAT: LINE (a pattern of grep) announced within 10 s
  wait_for 10 grep -qx "$1" "$heard" || fail "$2 was not announced as \"$1\": $(tr '\n' '|' <"$heard")"
}

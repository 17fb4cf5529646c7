#!/usr/bin/env bash
# Runs the real program with the Orca screen reader (Debian's orca and
# speech-dispatcher, installed here when missing) under a private X server,
# D-Bus session and PulseAudio whose only sink is a null one, walks ten Tab
# stops, cues the first item and takes it, and prints what Orca said: the
# "SPEECH OUTPUT" lines of its debug output. Exits non-zero when a step
# fails (no window, Orca silent, a button never reached, nothing said on
# the cue or the take); ends every process it started.
#   tools/orca-speech.sh [BINARY]     (default: build/bin/tessarin)
# Orca's whole debug output is kept in orca-debug.txt in the current folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
binary=$(realpath "${1:-$root/build/bin/tessarin}")
smoke=$root/tests/app/smoke
python=/usr/bin/python3
out=$PWD/orca-debug.txt

if [ -z "${ORCA_INNER:-}" ]; then
  missing=()
  for tool in orca speech-dispatcher Xvfb xdotool dbus-run-session pulseaudio ffmpeg; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing what is missing: ${missing[*]}"
    apt-get install -y --no-install-recommends orca speech-dispatcher xvfb xauth xdotool dbus pulseaudio ffmpeg \
      python3-pyatspi python3-xlib at-spi2-core >/dev/null
  fi
  export ORCA_INNER=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24 -noreset" dbus-run-session -- bash "$0" "$binary"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  # Newest first: Orca before the speech and sound servers it talks to.
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL: $1"; failed=1; }
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Vellumcast" "$XDG_RUNTIME_DIR" "$work/show"
chmod 700 "$XDG_RUNTIME_DIR"

# Speech goes to a null sink: nothing is heard, Orca speaks as usual. The
# sound server and the speech server run in the foreground as children of
# this script (their sockets in this run's folder), so they end with it.
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --load="module-null-sink sink_name=silence" --load=module-native-protocol-unix --load="module-always-sink" \
  >"$work/pulse.txt" 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && break; sleep 0.1; done
speech-dispatcher --run-single --timeout=0 >"$work/speechd.txt" 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do [ -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" ] && break; sleep 0.1; done

# A show of two tones, "Sigla" and "Chiusura", reopened at start, in Italian.
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=20" "$work/show/Sigla.wav"
ffmpeg -v error -f lavfi -i "sine=frequency=660:duration=20" "$work/show/Chiusura.wav"
item() { echo "{\"gainDB\":0,\"inPoint\":0,\"isMuted\":false,\"loop\":false,\"path\":\"$work/show/$1\",\"relativePath\":\"$1\"}"; }
cat > "$work/show/Orca.vellumcast" <<JSON
{"blocks":[{"endBehavior":"stop","id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
 "items":[$(item Sigla.wav),$(item Chiusura.wav)],
 "loop":false,"loopCount":0,"name":"Apertura","normalizeAudio":false}],
 "browser":[],"layers":[],"version":1}
JSON
printf '[General]\nVellumcast.lastShowPath="%s"\nVellumcast.language=it\n' "$work/show/Orca.vellumcast" \
  > "$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini"

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
"$binary" >"$work/app.txt" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name '^Orca' 2>/dev/null | sed -n 1p) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { cat "$work/app.txt"; echo "the program showed no window"; exit 1; }

rm -f "$out"
orca --replace --debug-file="$out" >/dev/null 2>&1 &
pids+=($!)
# Orca is ready once it has logged its first speech.
for _ in $(seq 1 150); do
  grep -q 'SPEECH OUTPUT' "$out" 2>/dev/null && break
  sleep 0.2
done
grep -q 'SPEECH OUTPUT' "$out" 2>/dev/null || { echo "FAIL: Orca said nothing in 30 s"; exit 1; }
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 2
mark() { echo "=== $1" >> "$work/marks.txt"; wc -l < "$out" >> "$work/marks.txt"; }

mark "ten Tab stops"
for _ in $(seq 1 10); do xdotool key Tab; sleep 1; done
# A button of a row is named with its row's item after a comma; the take
# button with the cued item.
tab_to() { "$python" "$smoke/keys.py" tab-to "$1, $2" >/dev/null 2>&1 || "$python" "$smoke/keys.py" tab-to "$1" "$2" >/dev/null 2>&1; }
mark "cue (Tab to the cue button of Sigla, Return)"
tab_to 'Prepara (cue) senza avviare la riproduzione' Sigla || fail "Tab never reached the cue button"
xdotool key Return; sleep 2
mark "take (Tab to \"Manda in onda\", Return)"
"$python" "$smoke/keys.py" tab-to 'Manda in onda*' >/dev/null 2>&1 || fail "Tab never reached the take button"
xdotool key Return; sleep 3
mark end

# What Orca said, step by step.
"$python" - "$out" "$work/marks.txt" <<'PY'
import re, sys
lines = open(sys.argv[1], encoding='utf-8', errors='replace').read().splitlines()
marks = open(sys.argv[2]).read().splitlines()
steps = [(marks[i][4:], int(marks[i + 1])) for i in range(0, len(marks), 2)]
said = {}
for (title, start), (_, end) in zip(steps, steps[1:]):
    print(title + ':')
    said[title.split(' ')[0]] = []
    for line in lines[start:end]:
        m = re.search(r"SPEECH OUTPUT: '(.*?)'(\{.*\})?$", line)
        if m and m.group(1).strip():
            print('   ', m.group(1))
            said[title.split(' ')[0]].append(m.group(1))
# The cue and the take are each spoken with the item's name.
missing = [step for step, word in (('cue', 'In cue: Sigla'), ('take', 'In onda: Sigla'))
           if not any(word in text for text in said.get(step, []))]
for step in missing:
    print('FAIL: Orca did not say the ' + step)
sys.exit(1 if missing else 0)
PY
[ "$failed" = 0 ] || exit 1

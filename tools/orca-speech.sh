#!/usr/bin/env bash
# Runs the real program with the Orca screen reader (Debian's orca and
# speech-dispatcher, installed here when missing) under a private X server,
# D-Bus session and PulseAudio whose only sink is a null one, and prints
# what Orca said at each step (the "SPEECH OUTPUT" lines of its debug
# output): the schedule's automation switched on, ten Tab stops, a cue, the
# take of a 3 s item whose block's end cues the next block at once, the take
# of a file that cannot play followed at once by a 3 s item, a start by the
# schedule, the automation switched off. Exits non-zero when a step fails
# (no window, Orca silent, a control never reached, or a text not said, or
# said out of order); ends every process it started, and no other. A
# reader on a busy machine is given time to catch up, but Orca 43 also
# drops the notifications queued in a burst of more than 50 events when a
# focus change comes: under a heavy load steps can fail for that alone.
#   tools/orca-speech.sh [BINARY]     (default: build/bin/tessarin)
# Orca's whole debug output is kept in orca-debug.txt in the current folder.
#
# Orca refuses to start beside another Orca of the same user (it looks for
# processes named "orca"), and with --replace kills every one of them, the
# operator's own screen reader included. This one is never given --replace
# and runs under another process name (a link in this run's folder), in
# this run's own D-Bus session: it neither stops nor is stopped by any other.
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

# A show reopened at start, in Italian: "Apertura" (a 3 s tone, "Sigla"),
# whose end cues the next block, "Guasto" ("Rotto", a file that cannot
# play, then "Breve", a 3 s tone), and "Notizie" ("Notiziario", a 3 s tone),
# started by the schedule at a fixed time, far enough ahead for the steps
# before it.
ahead=150
for name in Sigla Breve Notiziario; do
  ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=3" "$work/show/$name.wav"
done
echo "questo non è un file audio" > "$work/show/Rotto.wav"
item() { echo "{\"gainDB\":0,\"inPoint\":0,\"isMuted\":false,\"loop\":false,\"path\":\"$work/show/$1\",\"relativePath\":\"$1\"}"; }
block() { # ID NAME END ITEMS...
  local id=$1 name=$2 end=$3 items="" file
  shift 3
  for file in "$@"; do items="$items${items:+,}$(item "$file")"; done
  echo "{\"endBehavior\":\"$end\",\"id\":\"$id\",\"items\":[$items],\"loop\":false,\"loopCount\":0,\"name\":\"$name\",\"normalizeAudio\":false}"
}
news=2A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D
at=$(( $(date +%s) + ahead ))
cat > "$work/show/Orca.vellumcast" <<JSON
{"blocks":[$(block 0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D Apertura cueNextBlock Sigla.wav),
 $(block 1A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D Guasto stop Rotto.wav Breve.wav),
 $(block $news Notizie stop Notiziario.wav)],
 "browser":[],"layers":[],
 "schedule":[{"id":"11111111-2222-3333-4444-555555555555","start":"fixed","repeats":"none","isEnabled":true,
  "date":$at,"blockID":"$news"}],"version":1}
JSON
printf '[General]\nVellumcast.lastShowPath="%s"\nVellumcast.language=it\n' "$work/show/Orca.vellumcast" \
  > "$XDG_CONFIG_HOME/Vellumcast/Vellumcast.ini"

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 SDL_AUDIODRIVER=dummy
"$binary" >"$work/app.txt" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name '^Orca' 2>/dev/null | sed -n 1p) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { cat "$work/app.txt"; echo "the program showed no window"; exit 1; }

rm -f "$out"
ln -s "$(command -v orca)" "$work/tessarin-orca"
"$work/tessarin-orca" --debug-file="$out" >"$work/orca.txt" 2>&1 &
pids+=($!)
# Orca is ready once it has logged its first speech (slow to start on a busy machine).
for _ in $(seq 1 450); do
  grep -q 'SPEECH OUTPUT' "$out" 2>/dev/null && break
  sleep 0.2
done
grep -q 'SPEECH OUTPUT' "$out" 2>/dev/null || { cat "$work/orca.txt"; echo "FAIL: Orca said nothing in 90 s"; exit 1; }
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 2

# Each step is marked with its title, the line of Orca's output it begins
# at and the texts it must say, in this order ("|" between them; "!" before
# a text it must not say).
mark() { printf '%s\n%s\n%s\n' "$1" "$(wc -l < "$out")" "${2:-}" >> "$work/marks.txt"; }
said() { grep -q "SPEECH OUTPUT: '.*$1" "$out"; }
wait_said() { # TEXT SECONDS: waits until Orca said TEXT
  local _
  for _ in $(seq 1 $(( $2 * 5 ))); do said "$1" && return 0; sleep 0.2; done
  return 1
}
tab_to() { "$python" "$smoke/keys.py" tab-to "$@" >/dev/null 2>&1; }
press() { # NAME [ROW]: Tab to the control, Return
  if tab_to "$@"; then xdotool key Return; else fail "Tab never reached \"$1\""; fi
}

mark "automation on (Tab to \"Palinsesto\", Return; Tab to the automation switch, Return)" "Automazione attiva"
press Palinsesto
press "Attiva l'automazione: gli eventi partono da soli all'orario stabilito."
wait_said 'Automazione attiva' 10 || true
[ "$(date +%s)" -lt "$at" ] || fail "the automation was switched on after the event's time: the machine is too slow for $ahead s"
press Blocchi
sleep 1

mark "ten Tab stops"
for _ in $(seq 1 10); do xdotool key Tab; sleep 1; done
# A button of a row is named with its row's item after a comma; the take
# button with the cued item.
mark "cue (Tab to the cue button of Sigla, Return)" "In cue: Sigla"
tab_to "Prepara (cue) senza avviare la riproduzione, Sigla" \
  || tab_to 'Prepara (cue) senza avviare la riproduzione' Sigla || fail "Tab never reached the cue button"
xdotool key Return
wait_said 'In cue: Sigla' 10 || true
mark "take of a 3 s item, its block's end cueing the next block (Tab to \"Manda in onda\", Return)" \
  "In onda: Sigla|In chiusura: Sigla|Blocco terminato: Apertura|In cue: Rotto"
press 'Manda in onda*'
wait_said 'In cue: Rotto' 20 || true
mark "take of a file that cannot play, the next item at once (Return again)" \
  "!In onda: Rotto|Impossibile riprodurre: Rotto|In onda: Breve|In chiusura: Breve|Blocco terminato: Guasto"
press 'Manda in onda*'
wait_said 'Blocco terminato: Guasto' 20 || true
mark "start by the schedule (waiting for its time)" \
  "Avvio dal palinsesto: Notizie|In onda: Notiziario|In chiusura: Notiziario|Blocco terminato: Notizie"
wait_said 'Blocco terminato: Notizie' $(( at - $(date +%s) + 30 )) || true
# Armed, the schedule's tab says so in its name.
mark "automation off (Tab to the schedule's tab, Return; Tab to the automation switch, Return)" "Automazione spenta"
press "Automazione del palinsesto attiva"
press "Gli eventi partono da soli. Clicca per fermare l'automazione (ciò che è in onda continua)."
wait_said 'Automazione spenta' 10 || true
# A reader on a busy machine falls behind: it is left to say what it has
# yet to say (silent for 10 s, 3 minutes at most).
last=-1 quiet=0
for _ in $(seq 1 180); do
  now=$(grep -c 'SPEECH OUTPUT' "$out")
  [ "$now" = "$last" ] && quiet=$((quiet + 1)) || quiet=0
  [ "$quiet" -ge 10 ] && break
  last=$now
  sleep 1
done
mark end

# What Orca said, step by step (a reader behind says a step's texts during
# the next ones), and whether it said every step's texts, in their order
# over the whole run, and none it must not say.
"$python" - "$out" "$work/marks.txt" <<'PY' || failed=1
import re, sys
lines = open(sys.argv[1], encoding='utf-8', errors='replace').read().splitlines()
marks = open(sys.argv[2], encoding='utf-8').read().splitlines()
steps = [(marks[i], int(marks[i + 1]), marks[i + 2]) for i in range(0, len(marks), 3)]
said = []
for (title, start, _), (_, end, _) in zip(steps, steps[1:]):
    print(title + ':')
    for line in lines[start:end]:
        m = re.search(r"SPEECH OUTPUT: '(.*?)'(\{.*\})?$", line)
        if m and m.group(1).strip():
            print('   ', m.group(1))
            said.append(m.group(1))
failed = False
at = 0
for text in [t for _, _, expected in steps for t in expected.split('|') if t]:
    if text.startswith('!'):
        if any(text[1:] in s for s in said):
            print('FAIL: Orca said "%s"' % text[1:])
            failed = True
        continue
    found = next((i for i in range(at, len(said)) if text in said[i]), None)
    if found is None:
        print('FAIL: Orca did not say "%s"%s' % (text, ' after the texts before it' if any(text in s for s in said) else ''))
        failed = True
    else:
        at = found + 1
sys.exit(1 if failed else 0)
PY
[ "$failed" = 0 ] || exit 1
echo "every step was said"

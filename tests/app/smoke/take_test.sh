#!/usr/bin/env bash
# Takes into clips with picture on the real program, heard through SDL's disk
# driver at the program's own device block: a block of a constant tone plays
# (the P key), a 60 s clip with picture and sound (H.264 and AAC, in an MP4
# and in a MOV) is cued with its row's button while it plays, and the take
# key (T) or the "Manda in onda" button puts it on air. Between the tone's
# last sample and the clip's first there must be no sample of silence.
#   take_test.sh TESSARIN_BINARY [TAKES]
# Exits 77 (skipped) when Xvfb, xdotool, ffmpeg or the Python helpers are
# missing.
set -euo pipefail
binary=${1:?binary}
takes=${2:-4}
here=$(cd "$(dirname "$0")" && pwd)
command -v ffmpeg >/dev/null || { echo "SKIP: ffmpeg is not installed"; exit 77; }
source "$here/session.sh"

# The tone on air is exactly 0.25 on both sides; the clips' sound a cosine
# (loud from its first sample) that is never 0.25 for long.
ffmpeg -nostdin -loglevel error -y -f lavfi -i "aevalsrc=0.25|0.25:s=48000:d=60" -c:a pcm_s16le "$work/show/Tono.wav"
ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc=size=1280x720:rate=30:duration=60" \
  -f lavfi -i "aevalsrc=0.5*cos(2*PI*1000*t)|0.5*cos(2*PI*1000*t):s=48000:d=60" \
  -c:v libx264 -preset ultrafast -g 60 -pix_fmt yuv420p -c:a aac -b:a 192k -shortest "$work/show/Clip.mp4"
ffmpeg -nostdin -loglevel error -y -i "$work/show/Clip.mp4" -c copy "$work/show/Film.mov"
block() { # ID NAME ITEM
  echo "{\"endBehavior\":\"stop\",\"id\":\"$1\",\"items\":[$(item "$3")],\"loop\":false,\"loopCount\":0,\"name\":\"$2\",\"normalizeAudio\":false}"
}
cat > "$work/show/Take.vellumcast" <<JSON
{"blocks":[$(block 5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C41 Tono Tono.wav),
 $(block 5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C42 Clip Clip.mp4),
 $(block 5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C43 Film Film.mov)],
 "browser":[],"layers":[],"version":1}
JSON
# The first block on P (key code 35), the take on T (17).
settings "$(shortcuts playBlock1=35 take=17)"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/audio.raw
launch "$work/show/Take.vellumcast"
wait_for 30 find_window '^Take' || fail "no main window"
find_cue() { xy=$("$python" "$here/keys.py" at "Prepara (cue) senza avviare la riproduzione, $1" "$1" 2>/dev/null); [ -n "$xy" ]; }
# Frames the capture holds so far.
captured() { echo $(( $(stat -c %s "$work/audio.raw" 2>/dev/null || echo 0) / 8 )); }
# Waits until the capture has grown by FRAMES (the program's sound runs on).
heard_more() { # FRAMES
  local until=$(( $(captured) + $1 ))
  wait_for 20 eval '[ "$(captured)" -ge '"$until"' ]'
}

for n in $(seq 1 "$takes"); do
  clip=Clip; (( n % 2 == 0 )) && clip=Film
  focus_main
  xdotool key p
  heard_more 48000 || fail "take $n: the tone block did not sound"
  wait_for 10 find_cue "$clip" || fail "take $n: no cue button on the $clip row"
  xdotool mousemove --sync $xy click 1
  # The cue stands ready in the cue bar: its take button is there.
  wait_for 10 find_named 'Manda in onda' 'push button' || fail "take $n: no take button after the cue"
  heard_more 48000 || fail "take $n: the program stopped sounding"
  if (( n % 2 == 1 )); then
    focus_main
    xdotool key t
  else
    xdotool mousemove --sync $xy click 1
  fi
  heard_more 48000 || fail "take $n: the program stopped sounding after the take"
done
kill -TERM "$pid"
wait "$pid" || true
pid=""

# Every change from the tone to a clip: the silent frames between them.
"$python" - "$work/audio.raw" "$takes" <<'PY'
import array, sys
samples = array.array('f')
with open(sys.argv[1], 'rb') as f:
    samples.frombytes(f.read())
frames = len(samples) // 2
gaps = []
i = 0
while i < frames - 1:
    if samples[2 * i] == 0.25 and samples[2 * i + 1] == 0.25 and samples[2 * i + 2] != 0.25:
        j = i + 1
        while j < frames and samples[2 * j] == 0.0 and samples[2 * j + 1] == 0.0:
            j += 1
        if j < frames and samples[2 * j] != 0.25:
            gaps.append((i + 1, j - i - 1))
        i = j
    else:
        i += 1
print('takes into a clip: %d; silent frames at each: %s' % (len(gaps), [g for _, g in gaps]))
print('at frames: %s' % [at for at, _ in gaps])
if len(gaps) != int(sys.argv[2]):
    print('FAIL: %d takes heard, %s made' % (len(gaps), sys.argv[2]))
    sys.exit(1)
if any(g for _, g in gaps):
    print('FAIL: silence between the tone and the clip taken')
    sys.exit(1)
PY

#!/usr/bin/env bash
# Makes the media files the tests use, from ffmpeg's lavfi sources; files
# already present are kept, so a second run costs nothing.
set -euo pipefail
out=${1:?usage: make_test_media.sh OUTDIR}
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
make() { # make FILE ARGS...: runs ffmpeg into a temporary name, then renames
  local file=$1; shift
  [ -s "$file" ] && return 0
  local tmp="tmp.$file"
  ff "$@" "$tmp"
  mv "$tmp" "$file"
}

x264=(-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25)
# A 30 s clip: moving test picture with a frame counter, a 440 Hz tone.
make clip_30s.mp4 -f lavfi -i testsrc2=size=320x240:rate=25:duration=30 \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=30" "${x264[@]}" -c:a aac -b:a 96k -ac 2 -shortest
make clip_5s.mov -f lavfi -i testsrc2=size=320x240:rate=25:duration=5 \
  -f lavfi -i "sine=frequency=660:sample_rate=48000:duration=5" "${x264[@]}" -c:a aac -b:a 96k -ac 2 -shortest
make video_only.mp4 -f lavfi -i testsrc2=size=320x240:rate=25:duration=5 "${x264[@]}"
# Audio whose peak is exactly 0.5 (stereo, 48 kHz).
tone=(-f lavfi -i "aevalsrc=0.5*sin(2*PI*440*t)|0.5*sin(2*PI*440*t):s=48000:d=3")
make tone_half.wav "${tone[@]}" -c:a pcm_s16le
make tone_half.mp3 "${tone[@]}" -c:a libmp3lame -b:a 192k
make tone_half.m4a "${tone[@]}" -c:a aac -b:a 192k
make still.png -f lavfi -i "testsrc2=size=640x360:rate=1" -frames:v 1
make still.jpg -f lavfi -i "testsrc2=size=640x360:rate=1" -frames:v 1
# A portrait recording: 320x240 coded, a display matrix turning it by 90 degrees.
# The rotate tag takes effect only when the stream is copied, so encode first.
make rotated_src.mp4 -f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "${x264[@]}"
make rotated.mp4 -i rotated_src.mp4 -c copy -metadata:s:v:0 rotate=90
# An mp3 with cover art: the picture is an attached picture, not a video track.
make cover_art.mp3 -i tone_half.mp3 -i still.png -map 0 -map 1 -c copy -disposition:v attached_pic
# Bad input: the head of a real file, an empty file, text named like a video.
[ -s truncated.mp4 ] || head -c 20000 clip_30s.mp4 > truncated.mp4
: > empty.mp4
[ -s not_media.mp4 ] || echo "this is not a video" > not_media.mp4

# The player's tests: pictures whose luma tells the frame number (16 + 4 × (N mod 50),
# lossless), constant-level audio whose samples are exact in 16 bits, and a ramp.
make frames.mp4 -f lavfi -i "nullsrc=size=64x64:rate=25:duration=20,geq=lum='16+4*mod(N\,50)':cb=128:cr=128" \
  -c:v libx264 -preset ultrafast -qp 0 -pix_fmt yuv420p -g 25
# The same pictures at 10 bits a sample (lossless), as a 10-bit camera file decodes.
make frames10.mkv -f lavfi -i "nullsrc=size=64x64:rate=25:duration=20,format=yuv420p,geq=lum='16+4*mod(N\,50)':cb=128:cr=128,format=yuv420p10le" \
  -c:v ffv1 -g 25
make const_quarter.wav -f lavfi -i "aevalsrc=0.25|0.25:s=48000:d=2" -c:a pcm_s16le
make const_eighth.wav -f lavfi -i "aevalsrc=0.125|0.125:s=48000:d=2" -c:a pcm_s16le
make const_short.wav -f lavfi -i "aevalsrc=0.25|0.25:s=48000:d=0.3" -c:a pcm_s16le
make short_loop.mp4 -f lavfi -i "nullsrc=size=64x64:rate=25:duration=0.6,geq=lum='16+4*mod(N\,50)':cb=128:cr=128" \
  -c:v libx264 -preset ultrafast -qp 0 -pix_fmt yuv420p -g 5
make ramp.wav -f lavfi -i "aevalsrc=n/192000|n/192000:s=48000:d=2" -c:a pcm_f32le
# A tone of exactly 3 s (1320 whole periods of a cosine: its first and last
# samples are loud), in each codec and container that primes or pads sound.
loop_tone=(-f lavfi -i "aevalsrc=0.5*cos(2*PI*440*t)|0.5*cos(2*PI*440*t):s=48000:d=3")
for spec in wav:pcm_s16le m4a:aac mp4:aac mov:aac mp3:libmp3lame opus:libopus webm:libopus ogg:libvorbis; do
  make "loop_tone.${spec%%:*}" "${loop_tone[@]}" -c:a "${spec#*:}"
done
# The same tone under pictures, in each container a clip with picture comes in.
for spec in mp4:libx264:aac mov:libx264:aac mkv:libx264:aac webm:libvpx:libopus; do
  IFS=: read -r ext vcodec acodec <<< "$spec"
  make "clip_tone.$ext" -f lavfi -i "color=c=green:s=64x36:r=25:d=3" "${loop_tone[@]}" -c:v "$vcodec" -pix_fmt yuv420p \
    -g 25 -c:a "$acodec" -shortest
done
# Pictures without B-frames (as a camera or a fast encode writes them) start
# at 0, after the sound's priming packet.
for ext in mp4 mov; do
  make "clip_tone_ip.$ext" -f lavfi -i "color=c=green:s=64x36:r=25:d=3" "${loop_tone[@]}" -c:v libx264 -bf 0 \
    -pix_fmt yuv420p -g 25 -c:a aac -shortest
done
# Pictures without sound in one flat colour, told apart on the program.
make solid_red.mp4 -f lavfi -i "color=c=red:s=64x36:r=25:d=2" "${x264[@]}"
make solid_blue.mp4 -f lavfi -i "color=c=blue:s=64x36:r=25:d=2" "${x264[@]}"
# Exact seeks on every container: pictures that carry their frame number N
# as two flat luma fields (left 16 + 4 × (N mod 50), right 16 + 4 × (N div 50
# mod 50)), encoded as a broadcaster or a camera would: MPEG-2 interlaced in a
# program stream (with sound) and in a transport stream, H.264 with B-frames
# and a ten-second GOP in a transport stream.
counted="nullsrc=size=160x128:rate=25:duration=20,geq=lum='if(lt(X\\,80)\\,16+4*mod(N\\,50)\\,16+4*mod(floor(N/50)\\,50))':cb=128:cr=128"
mpeg2=(-c:v mpeg2video -q:v 2 -g 12 -bf 2 -sc_threshold 1000000000 -flags +ilme+ildct -top 1)
make counted_mpeg2.mpg -f lavfi -i "$counted" -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=20" \
  "${mpeg2[@]}" -c:a mp2 -b:a 128k
make counted_mpeg2.ts -f lavfi -i "$counted" "${mpeg2[@]}"
make counted_h264_longgop.ts -f lavfi -i "$counted" -c:v libx264 -preset veryfast -crf 10 -g 250 -bf 3 -sc_threshold 0 -pix_fmt yuv420p
# Stills in the formats Qt reads only through plugins, or not fully: a
# picture whose left half is transparent and right half opaque orange, as
# WebP (lossless), TIFF and 16-bit PNG, and a large JPEG.
halves="color=c=black:s=64x48,format=rgba,geq=r=255:g=128:b=0:a='if(lt(X\\,32)\\,0\\,255)'"
make halves.png -f lavfi -i "$halves" -frames:v 1
make halves.webp -i halves.png -c:v libwebp -lossless 1 -pix_fmt bgra
make halves.tiff -i halves.png -c:v tiff -pix_fmt rgba
make halves16.png -i halves.png -pix_fmt rgba64be
make large.jpg -f lavfi -i "testsrc2=size=5000x3000:rate=1" -frames:v 1 -q:v 5
# Overlay videos with an alpha channel: the halves picture for a second, as
# ProRes 4444 in QuickTime and as VP9 with alpha in WebM.
make halves_prores4444.mov -loop 1 -i halves.png -t 1 -r 25 -c:v prores_ks -profile:v 4444 -pix_fmt yuva444p10le
make halves_vp9alpha.webm -loop 1 -i halves.png -t 1 -r 25 -c:v libvpx-vp9 -pix_fmt yuva420p -lossless 1
# HEVC as x265 makes it, with wavefront rows (its default) and without, as
# many hardware encoders do: parameter sets as hvcC in MP4 and Matroska, and
# as start codes in a transport stream.
x265=(-c:v libx265 -preset ultrafast -pix_fmt yuv420p)
make hevc_wpp.mp4 -f lavfi -i testsrc2=size=128x72:rate=25:duration=0.4 "${x265[@]}" -x265-params log-level=error:wpp=1
make hevc_wpp.ts -i hevc_wpp.mp4 -c copy
make hevc_nowpp.mkv -f lavfi -i testsrc2=size=128x72:rate=25:duration=0.4 "${x265[@]}" -x265-params log-level=error:wpp=0
# Over 4 megapixels, with wavefront rows: a picture the player decodes for a
# smaller program one at a time.
make hevc_wpp_large.mp4 -f lavfi -i testsrc2=size=2560x1600:rate=25:duration=0.2 "${x265[@]}" -x265-params log-level=error:wpp=1
# Sound that starts late (MP4), has a hole (MPEG-TS, from 0.3 s to 2.5 s) or ends before its
# pictures (Matroska): 4 s of pictures, a 1 kHz tone where there is sound;
# at a constant 100 Mbit/s (filler), so the pictures before the sound are
# more than the player reads ahead, and at 2 Mbit/s.
gap_pic=(-f lavfi -i "testsrc2=size=320x180:rate=25:duration=4")
gap_tone="sine=frequency=1000:sample_rate=48000"
for rate in 100M 2M; do
  gap_v=(-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25 -b:v "$rate" -minrate "$rate" -maxrate "$rate" -bufsize 4M
    -x264-params nal-hrd=cbr)
  make "gap_late_$rate.mp4" "${gap_pic[@]}" -itsoffset 3 -f lavfi -i "$gap_tone:duration=1" "${gap_v[@]}" -c:a aac -ac 2
  make "gap_hole_$rate.ts" "${gap_pic[@]}" -f lavfi -i "$gap_tone:duration=4,aselect='not(between(t\,0.3\,2.5))'" \
    "${gap_v[@]}" -c:a aac -ac 2
  make "gap_short_$rate.mkv" "${gap_pic[@]}" -f lavfi -i "$gap_tone:duration=1" "${gap_v[@]}" -c:a aac -ac 2
done
# Pictures that start 2 s after the sound (4 s of tone, 2 s of pictures).
make gap_pictures_late.mp4 -itsoffset 2 -f lavfi -i "testsrc2=size=320x180:rate=25:duration=2" \
  -f lavfi -i "$gap_tone:duration=4" "${x264[@]}" -fps_mode passthrough -c:a aac -ac 2
echo "test media ready in $out"

#pragma once
// The part of a media file that plays. Compressed sound carries samples that
// are not part of it: the encoder's priming before the first sample and the
// padding that fills its last frame. The decoders drop what the demuxers
// mark packet by packet (MP4 edit list starts, the MP3 gapless header, Opus
// pre-skip, Ogg end granules); the end of an MP4 edit list is stated only as
// the stream's duration, so the player cuts the sound there itself
// (statedAudioEnd). The item's length, shown on its row and planned with its
// block, is worked out here too (playedDuration), so what the program plans
// and what it plays agree to the sample. Used by MediaInfo and the player.
#include "platform/LibAv.h"

namespace tessarin::libav {

// Seconds of the file's timeline where the item's time 0 stands: the
// file's start; for sound only, the sound's own first sample exactly.
double itemStart(const AVFormatContext* input, int audioStream, int videoStream);

// Where the container states the sound of audioStream ends (the stream's
// start plus its duration), seconds of the file's timeline; +inf when it
// states no exact end (no duration, or one estimated from the bit rate or
// from timestamps).
double statedAudioEnd(const AVFormatContext* input, int audioStream);

// The item's length in seconds from itemStart; NaN when unknown. With
// pictures, the container's duration. Sound only: up to the last sample the
// decoder delivers (the last seconds are decoded to find it), no later than
// statedAudioEnd; the container's duration when that cannot be done. May
// move the read position; leaves it at the start of the file.
double playedDuration(AVFormatContext* input, int audioStream, int videoStream);

} // namespace tessarin::libav

#pragma once
// Small owners and helpers for the FFmpeg libraries, shared by MediaInfo,
// FrameGrabber, PcmReader and ClipEncoder. Internal to the platform layer.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QString>

#include <memory>

namespace tessarin::libav {

struct InputDeleter {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsDeleter {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};
struct SwrDeleter {
    void operator()(SwrContext* c) const { swr_free(&c); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;

// The text of an FFmpeg error code.
QString errorText(int code);

// Opens a file and reads its stream information. On failure returns null
// and sets error. Its reads fail once the end of the process has begun
// (Workers::endRequested()).
InputPtr openInput(const QString& path, QString* error);

// A decoder for one stream, opened with the given thread count (0 = auto).
CodecPtr openDecoder(const AVStream* stream, int threads, QString* error);

// True for a video stream that is a real picture track, not cover art.
bool isVideoTrack(const AVStream* stream);

// Back to every stream's first packet, where the demuxers mark the
// encoder's priming again: a seek to the start time lands after an MP4's
// priming packet, whose sound the first real one needs (decoded without it,
// the first frame of AAC comes out damaged, its first samples silent). False
// when it cannot seek.
bool rewind(AVFormatContext* input);
// Rewinds, or where the demuxer cannot seek that far, seeks to the start time.
void rewindOrSeekStart(AVFormatContext* input);

} // namespace tessarin::libav

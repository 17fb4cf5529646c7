#include "platform/MediaInfo.h"

#include "platform/LibAv.h"
#include "platform/PlayedRange.h"

extern "C" {
#include <libavutil/display.h>
}

namespace tessarin {

namespace {

double seconds(int64_t value, AVRational base)
{
    if (value == AV_NOPTS_VALUE || value < 0)
        return std::nan("");
    return static_cast<double>(value) * av_q2d(base);
}

// Reads the display matrix: the 16.16 fixed-point a, b, c, d, and the
// turn that shows the picture upright, taken the way the ffmpeg program
// takes it for its own automatic rotation.
void readDisplayMatrix(const AVStream* stream, MediaTrack& track)
{
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t))
        return;
    const auto* m = reinterpret_cast<const int32_t*>(data);
    constexpr double unit = 65536.0;
    track.preferredTransform = {m[0] / unit, m[1] / unit, m[3] / unit, m[4] / unit};
    const double ccw = av_display_rotation_get(m);
    if (std::isnan(ccw))
        return;
    long turn = std::lround(-ccw / 90.0) * 90;
    turn = ((turn % 360) + 360) % 360;
    track.rotationDegrees = static_cast<int>(turn);
    // A negative determinant means the matrix also mirrors the picture.
    track.mirrored = (static_cast<double>(m[0]) * m[4] - static_cast<double>(m[1]) * m[3]) < 0;
}

} // namespace

PreferredTransform MediaInfo::preferredTransform() const
{
    return videoTracks.empty() ? PreferredTransform{} : videoTracks.front().preferredTransform;
}

std::optional<MediaInfo> MediaInfo::read(const QString& path, QString* error)
{
    libav::InputPtr input = libav::openInput(path, error);
    if (!input)
        return std::nullopt;
    MediaInfo info;
    // The tracks the player plays, and the length it plays them for.
    int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video >= 0 && !libav::isVideoTrack(input->streams[video]))
        video = -1;
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    info.duration = libav::playedDuration(input.get(), audio, video);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        MediaTrack track;
        track.streamIndex = static_cast<int>(i);
        track.duration = seconds(stream->duration, stream->time_base);
        if (libav::isVideoTrack(stream)) {
            track.width = par->width;
            track.height = par->height;
            const AVRational sar = stream->sample_aspect_ratio.num ? stream->sample_aspect_ratio : par->sample_aspect_ratio;
            if (sar.num > 0 && sar.den > 0)
                track.sampleAspectRatio = av_q2d(sar);
            readDisplayMatrix(stream, track);
            info.videoTracks.push_back(track);
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            track.sampleRate = par->sample_rate;
            track.channels = par->ch_layout.nb_channels;
            info.audioTracks.push_back(track);
        }
    }
    return info;
}

} // namespace tessarin

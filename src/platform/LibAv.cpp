#include "platform/LibAv.h"

#include "platform/Workers.h"

#include <QFile>

#include <sys/stat.h>

namespace tessarin::libav {
namespace {

// Cuts a read short at the end of the process: nobody waits for its result.
int endOfProcess(void*)
{
    return Workers::endRequested() ? 1 : 0;
}

} // namespace

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

InputPtr openInput(const QString& path, QString* error)
{
    // A pipe would hold the reading thread in open() until a writer comes,
    // beyond the reach of any interrupt; a device may never end.
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        if (error)
            *error = QStringLiteral("not a regular file");
        return nullptr;
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) {
        if (error)
            *error = errorText(AVERROR(ENOMEM));
        return nullptr;
    }
    // Pictures without a time of their own (program streams) get the one
    // the demuxer works out, so a seek knows where it landed.
    raw->flags |= AVFMT_FLAG_GENPTS;
    raw->interrupt_callback.callback = &endOfProcess;
    const QByteArray name = path.toUtf8();
    int rc = avformat_open_input(&raw, name.constData(), nullptr, nullptr);
    if (rc < 0) {
        if (error)
            *error = errorText(rc);
        return nullptr;
    }
    InputPtr input(raw);
    rc = avformat_find_stream_info(input.get(), nullptr);
    if (rc < 0) {
        if (error)
            *error = errorText(rc);
        return nullptr;
    }
    return input;
}

CodecPtr openDecoder(const AVStream* stream, int threads, QString* error)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        if (error)
            *error = QStringLiteral("no decoder for %1").arg(QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id)));
        return nullptr;
    }
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        if (error)
            *error = errorText(AVERROR(ENOMEM));
        return nullptr;
    }
    int rc = avcodec_parameters_to_context(context.get(), stream->codecpar);
    if (rc >= 0) {
        context->pkt_timebase = stream->time_base;
        context->thread_count = threads;
        rc = avcodec_open2(context.get(), codec, nullptr);
    }
    if (rc < 0) {
        if (error)
            *error = errorText(rc);
        return nullptr;
    }
    return context;
}

bool isVideoTrack(const AVStream* stream)
{
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

namespace {

// The stream (not discarded) whose first indexed packet comes first; -1
// when the demuxer has indexed none.
int earliestStream(AVFormatContext* input)
{
    int earliest = -1;
    double first = 0.0;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream* stream = input->streams[i];
        if (stream->discard >= AVDISCARD_ALL || avformat_index_get_entries_count(stream) <= 0)
            continue;
        const AVIndexEntry* entry = avformat_index_get_entry(stream, 0);
        if (!entry || entry->timestamp == AV_NOPTS_VALUE)
            continue;
        const double t = entry->timestamp * av_q2d(stream->time_base);
        if (earliest < 0 || t < first) {
            earliest = static_cast<int>(i);
            first = t;
        }
    }
    return earliest;
}

} // namespace

bool rewind(AVFormatContext* input)
{
    // Indexed demuxers (MP4, MOV) put every other stream at the time where
    // the seeking one landed: led by a picture track that starts at 0, the
    // sound starts at its packet at 0 too, after the priming packet before
    // it. Led by the stream that starts first, at the time of its first
    // packet, every stream lands on its first packet. (INT64_MIN as that
    // stream's time overflows in the MP4 demuxer, which then lands in the
    // middle of a file whose pictures have B-frames.) Without an index the
    // demuxer's own default stream leads.
    const int lead = earliestStream(input);
    if (lead >= 0) {
        const std::int64_t first = avformat_index_get_entry(input->streams[lead], 0)->timestamp;
        if (avformat_seek_file(input, lead, INT64_MIN, first, first, 0) >= 0)
            return true;
    }
    return avformat_seek_file(input, -1, INT64_MIN, INT64_MIN, INT64_MIN, 0) >= 0;
}

void rewindOrSeekStart(AVFormatContext* input)
{
    if (rewind(input))
        return;
    const std::int64_t start = input->start_time != AV_NOPTS_VALUE ? input->start_time : 0;
    avformat_seek_file(input, -1, INT64_MIN, start, start, 0);
}

} // namespace tessarin::libav

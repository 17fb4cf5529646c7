#include "LiveTestSupport.h"

#include "platform/Clock.h"
#include "support/Loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessarin::test {

void LiveRecorder::attach(LiveSession& session)
{
    session.onStatus = [this](const LiveStatus& status) {
        std::lock_guard lock(mutex_);
        statuses_.push_back(status);
        times_.push_back(HostClock::monotonicSeconds());
    };
    session.onVideo = [this](const QImage& frame, double soundSeconds) {
        std::lock_guard lock(mutex_);
        if (frames_ == 0)
            liveBeforeFirstFrame_ = !statuses_.empty() && statuses_.back() == LiveStatus::live();
        ++frames_;
        last_ = frame;
        pictures_.push_back({ soundSeconds, qGray(frame.pixel(frame.width() / 2, frame.height() / 2)) > 128 });
    };
    session.onAudio = [this](const std::shared_ptr<const PcmBuffer>& buffer) {
        std::lock_guard lock(mutex_);
        ++audioBlocks_;
        audioFrames_ = buffer->frameLength();
        format_ = buffer->format();
        const float* left = buffer->floatData(0);
        left_.insert(left_.end(), left, left + buffer->frameLength());
    };
}

std::vector<LiveStatus> LiveRecorder::statuses()
{
    std::lock_guard lock(mutex_);
    return statuses_;
}

std::vector<double> LiveRecorder::statusTimes()
{
    std::lock_guard lock(mutex_);
    return times_;
}

int LiveRecorder::statusCount(LiveStatus::Case kind)
{
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& s : statuses_)
        n += s.kind() == kind;
    return n;
}

int LiveRecorder::frameCount()
{
    std::lock_guard lock(mutex_);
    return frames_;
}

QImage LiveRecorder::lastFrame()
{
    std::lock_guard lock(mutex_);
    return last_;
}

int LiveRecorder::audioBlocks()
{
    std::lock_guard lock(mutex_);
    return audioBlocks_;
}

int LiveRecorder::audioFrames()
{
    std::lock_guard lock(mutex_);
    return audioFrames_;
}

std::vector<float> LiveRecorder::leftSamples()
{
    std::lock_guard lock(mutex_);
    return left_;
}

std::optional<AudioFormat> LiveRecorder::audioFormat()
{
    std::lock_guard lock(mutex_);
    return format_;
}

std::vector<LiveRecorder::Picture> LiveRecorder::pictures()
{
    std::lock_guard lock(mutex_);
    return pictures_;
}

bool LiveRecorder::liveBeforeFirstFrame()
{
    std::lock_guard lock(mutex_);
    return liveBeforeFirstFrame_;
}

int freeTcpPort()
{
    return freePort(SOCK_STREAM);
}

int freeUdpPort()
{
    return freePort(SOCK_DGRAM);
}

bool tcpPortInUse(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool inUse = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
    ::close(fd);
    return inUse;
}

Publisher::Publisher(const Options& o)
{
    QString command = QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel quiet -re ");
    if (o.flashes)
        command += QStringLiteral("-f lavfi -i \"color=c=black:s=640x360:r=30,"
                                  "drawbox=c=white:t=fill:enable=lt(mod(t\\,1)\\,0.03)\" ");
    else
        command += QStringLiteral("-f lavfi -i color=c=%1:s=640x360:r=30 ").arg(o.colour);
    if (o.withAudio && o.flashes)
        command += QStringLiteral("-itsoffset 0.5 -f lavfi -i \"aevalsrc=if(lt(mod(t+0.5\\,1)\\,0.05)\\,"
                                  "0.8*sin(2*PI*1000*t)\\,0):s=48000\" ");
    else if (o.withAudio)
        command += QStringLiteral("-f lavfi -i sine=f=%1:r=48000 ").arg(o.toneHz);
    command += QStringLiteral("-c:v libx264 -preset ultrafast -tune zerolatency -g 15 -pix_fmt yuv420p ");
    if (o.withAudio)
        command += QStringLiteral("-c:a aac -ar 48000 -ac 2 ");
    command += QStringLiteral("-f %1 '%2'").arg(o.format, o.url);
    // Sent again whenever it ends (the receiver is not up yet, or went away),
    // until the loop is told to stop; then the running ffmpeg goes too.
    const QString script = QStringLiteral("trap 'kill $p 2>/dev/null; exit 0' TERM; "
                                          "while :; do %1 & p=$!; wait $p; sleep 0.2; done")
                               .arg(command);
    loop_ = ChildProcess::spawn("/bin/sh", { "-c", script }, {});
}

Publisher::~Publisher()
{
    stop();
}

void Publisher::stop()
{
    if (loop_ && loop_->running())
        loop_->terminateAndWait(5.0);
    loop_.reset();
}

double toneFrequency(const std::vector<float>& samples, double rate)
{
    if (samples.size() < 2)
        return 0;
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        crossings += samples[i - 1] < 0.0f && samples[i] >= 0.0f;
    return crossings * rate / static_cast<double>(samples.size());
}

} // namespace tessarin::test

#pragma once
// The first audio track of a file decoded to 32-bit float samples,
// interleaved, at the track's own rate and channel count, handed out in
// chunks as it decodes. Any thread, one thread at a time per object.
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace tessarin {

class PcmReader {
public:
    enum class Status { reading, completed, failed };

    // Opens the file; status() is failed when it cannot be opened, has no
    // audio track or no decoder for it.
    explicit PcmReader(const QString& path);
    ~PcmReader();
    PcmReader(const PcmReader&) = delete;
    PcmReader& operator=(const PcmReader&) = delete;

    Status status() const { return status_; }
    const QString& error() const { return error_; }
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    // The track's length in frames as the container states it; -1 when it
    // does not. An estimate: decoders may add or trim a few frames.
    std::int64_t estimatedFrames() const { return estimatedFrames_; }

    // Replaces `chunk` with the next run of interleaved samples (a whole
    // number of frames, never empty) and returns true; returns false at the
    // end, when status() is completed, or on a read failure, when it is failed.
    bool read(std::vector<float>& chunk);

private:
    struct State;
    bool fail(const QString& why);
    bool convert(std::vector<float>& chunk);

    Status status_ = Status::reading;
    QString error_;
    int sampleRate_ = 0;
    int channels_ = 0;
    std::int64_t estimatedFrames_ = -1;
    std::unique_ptr<State> state_;
};

} // namespace tessarin

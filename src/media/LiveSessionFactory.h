#pragma once
// Picks the live session for a source by its kind: the ffmpeg ingest for
// RTMP and SRT feeds, the capture session for devices, and a placeholder
// that only reports failed for the kind that cannot open (NDI).
#include "media/LiveSession.h"
#include "media/LiveSource.h"

#include <memory>

namespace tessarin {

class LiveSessionFactory {
public:
    // A new session, not started; never fails.
    static std::shared_ptr<LiveSession> make(const LiveSource& source);
};

// Reports failed(message) once, inside start(); stop() does nothing.
class UnavailableLiveSession final : public LiveSession {
public:
    explicit UnavailableLiveSession(QString message);
    void start() override;
    void stop() override {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

} // namespace tessarin

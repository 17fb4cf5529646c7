#pragma once
// A MediaPlayer without decoding, driven by the test's clock: items load at
// once (or when the test says), time runs while playing, the end of an item
// (its out-point or its duration) is signalled on the clock's timer, and every
// call is recorded. Its items show solid-colour frames. Header-only so every
// test folder can use it.
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "platform/player/VideoOutput.h"

#include <QColor>
#include <QString>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace tessarin::test {

// What the fake players know about files; shared by the players of a test.
struct FakeMedia {
    double defaultDuration = 60.0;
    std::map<QString, double> durations;   // by path
    std::map<QString, QColor> colors;      // frame colour by path (grey otherwise)
    std::set<QString> failing;             // paths that fail to load
    std::set<QString> withoutAudio;        // paths without an audio track
    std::map<QString, double> stallAt;     // paths whose time stands still there while they play
    bool loadAtOnce = true;                // else items wait for FakeMediaPlayer::finishLoading()
    double frameRate = 25.0;

    double durationOf(const QString& path) const
    {
        auto it = durations.find(path);
        return it == durations.end() ? defaultDuration : it->second;
    }
};

// The clock and pictures of one fake item; any thread.
class FakeItemSource final : public PlayerItemSource {
public:
    FakeItemSource(Clock& clock, QColor color, double frameRate)
        : clock_(clock), color_(color), frameRate_(frameRate) { }

    double itemTime(double) const override { return currentTime(); }
    double currentTime() const override
    {
        std::lock_guard lock(mutex_);
        return positionLocked();
    }
    std::shared_ptr<const VideoFrame> frameAt(double itemTime) const override
    {
        if (!std::isfinite(itemTime))
            return nullptr;
        const double t = std::floor(std::max(itemTime, 0.0) * frameRate_) / frameRate_;
        std::lock_guard lock(mutex_);
        if (frame_ && frame_->time == t)
            return frame_;
        auto frame = VideoFrame::create(16, 9);
        frame->time = t;
        frame->duration = 1.0 / frameRate_;
        frame->image().fill(color_);
        frame_ = frame;
        return frame;
    }

    // Main thread (the fake player).
    void setPlaying(bool playing)
    {
        std::lock_guard lock(mutex_);
        base_ = positionLocked();
        baseHost_ = clock_.now();
        playing_ = playing;
    }
    void setPosition(double seconds)
    {
        std::lock_guard lock(mutex_);
        base_ = seconds;
        baseHost_ = clock_.now();
    }
    void setLimit(double seconds)
    {
        std::lock_guard lock(mutex_);
        limit_ = seconds;
    }

private:
    double positionLocked() const
    {
        double t = playing_ ? base_ + (clock_.now() - baseHost_) : base_;
        return std::isfinite(limit_) ? std::min(t, limit_) : t;
    }

    Clock& clock_;
    QColor color_;
    double frameRate_;
    mutable std::mutex mutex_;
    double base_ = 0.0;
    double baseHost_ = 0.0;
    bool playing_ = false;
    double limit_ = std::numeric_limits<double>::infinity();
    mutable std::shared_ptr<VideoFrame> frame_;
};

class FakeMediaPlayer final : public MediaPlayer {
public:
    explicit FakeMediaPlayer(Clock& clock, std::shared_ptr<FakeMedia> media = std::make_shared<FakeMedia>())
        : MediaPlayer(clock)
        , media_(std::move(media))
    {
        endTimer_ = clock.createTimer([this] { checkEnd(); });
        endTimer_->start(0.005);
    }

    // --- MediaPlayer ---
    void replaceCurrentItem(const std::shared_ptr<PlayerItem>& item) override
    {
        ++replaceCount;
        if (auto old = currentItem(); old && old != item)
            old->setSource(nullptr);
        source_.reset();
        ended_ = false;
        if (item && item->claim()) {
            const QString path = item->path();
            auto color = media_->colors.count(path) ? media_->colors.at(path) : QColor(Qt::gray);
            source_ = std::make_shared<FakeItemSource>(clock(), color, media_->frameRate);
            source_->setPlaying(playing_);
            if (media_->stallAt.count(path))
                source_->setLimit(media_->stallAt.at(path));
            item->setSource(source_);
            setCurrentItemValue(item);
            if (media_->loadAtOnce)
                finishLoading();
        } else {
            setCurrentItemValue(nullptr);
        }
        emit currentItemChanged();
    }
    void play() override
    {
        ++playCount;
        if (playing_)
            return;
        playing_ = true;
        if (source_)
            source_->setPlaying(true);
        emit rateChanged();
    }
    void pause() override
    {
        ++pauseCount;
        if (!playing_)
            return;
        playing_ = false;
        if (source_)
            source_->setPlaying(false);
        emit rateChanged();
    }
    double rate() const override { return playing_ ? 1.0 : 0.0; }
    double currentTime() const override { return source_ ? source_->currentTime() : 0.0; }
    void seek(double seconds, SeekTolerance tolerance = SeekTolerance::Default, SeekCompletion completion = {}) override
    {
        seeks.push_back({ seconds, tolerance });
        if (!source_) {
            if (completion)
                postToMain([completion] { completion(false); });
            return;
        }
        const double d = currentItem()->duration();
        double t = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
        if (std::isfinite(d))
            t = std::min(t, d);
        source_->setPosition(t);
        ended_ = false;
        if (completion)
            postToMain([completion] { completion(true); });
    }
    void setMuted(bool muted) override { muted_ = muted; }
    bool isMuted() const override { return muted_; }
    void setLooping(bool looping) override { looping_ = looping; }
    bool isLooping() const override { return looping_; }

    // --- for tests ---
    // Completes the loading of the current item (with FakeMedia::loadAtOnce false).
    void finishLoading()
    {
        auto item = currentItem();
        if (!item || item->status() != PlayerItem::Status::Unknown)
            return;
        const QString path = item->path();
        if (media_->failing.count(path)) {
            item->setSource(nullptr);
            source_.reset();
            item->markFailed(QStringLiteral("cannot open"));
            return;
        }
        item->setDuration(media_->durationOf(path));
        item->setStreamInfo(!media_->withoutAudio.count(path), true, {});
        item->markReady();
    }
    FakeMedia& media() { return *media_; }

    int replaceCount = 0;
    int playCount = 0;
    int pauseCount = 0;
    std::vector<std::pair<double, SeekTolerance>> seeks;

private:
    double endTime() const
    {
        auto item = currentItem();
        if (!item || item->status() != PlayerItem::Status::ReadyToPlay)
            return std::numeric_limits<double>::infinity();
        const double d = item->duration();
        const double out = item->forwardPlaybackEndTime();
        double end = std::isfinite(d) ? d : std::numeric_limits<double>::infinity();
        if (std::isfinite(out))
            end = std::min(end, out);
        return end;
    }

    void checkEnd()
    {
        if (!playing_ || !source_ || ended_)
            return;
        const double end = endTime();
        if (!std::isfinite(end) || source_->currentTime() < end)
            return;
        if (looping_) {
            source_->setPosition(0.0);
            return;
        }
        ended_ = true;
        source_->setPosition(end);
        playing_ = false;
        source_->setPlaying(false);
        emit rateChanged();
        if (auto item = currentItem())
            item->postEnd();
    }

    std::shared_ptr<FakeMedia> media_;
    std::shared_ptr<FakeItemSource> source_;
    std::unique_ptr<Timer> endTimer_;
    bool playing_ = false;
    bool muted_ = false;
    bool looping_ = false;
    bool ended_ = false;
};

} // namespace tessarin::test

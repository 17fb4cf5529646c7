#pragma once
// A PlaylistEngine on fake players and a hand-driven clock, with helpers to
// make items and blocks and to let time pass.
#include "engine/AudioLevelTap.h"
#include "engine/FakeLiveSession.h"
#include "engine/PlaylistEngine.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/PlayerItem.h"
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace tessarin::test {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settings = std::make_unique<Settings>(dir.filePath(QStringLiteral("settings.ini")));
    }

    void TearDown() override
    {
        engine.reset();
        players.clear();
        liveSessions.clear();
    }

    // Makes the engine on the settings written so far.
    PlaylistEngine& makeEngine()
    {
        engine = std::make_unique<PlaylistEngine>(
            clock, *settings,
            [this] {
                auto player = std::make_shared<FakeMediaPlayer>(clock, media);
                players.push_back(player);
                return player;
            },
            output);
        // Live items open fake sessions coloured by their source's name.
        engine->setLiveSessionMaker([this](const LiveSource& source) {
            auto session = std::make_shared<FakeLiveSession>(QColor(source.name));
            liveSessions.push_back(session);
            return session;
        });
        return *engine;
    }

    PlaylistEngine& makeEngine(TransitionStyle style, double fadeSeconds = 2.0)
    {
        makeEngine();
        engine->setTransitionStyle(style);
        engine->setFadeSeconds(fadeSeconds);
        return *engine;
    }

    FakeMediaPlayer& playerA() { return *players.at(0); }
    FakeMediaPlayer& playerB() { return *players.at(1); }
    FakeMediaPlayer& preview() { return *players.at(2); }
    FakeMediaPlayer& active() { return engine->mix().current() > 0.5 ? playerB() : playerA(); }

    // A file item whose media lasts duration seconds.
    std::shared_ptr<MediaFile> file(const QString& name, double duration = 60.0, double in = 0.0,
        std::optional<double> out = std::nullopt)
    {
        const QString path = QStringLiteral("/fake/") + name + QStringLiteral(".mp4");
        media->durations[path] = duration;
        auto item = MediaFile::create(QUrl::fromLocalFile(path));
        item->setPlayableURL(QUrl::fromLocalFile(path));
        item->setDuration(duration);
        item->setInPoint(in);
        item->setOutPoint(out);
        return item;
    }

    std::shared_ptr<MediaBlock> blockOf(std::initializer_list<std::shared_ptr<MediaFile>> items,
        bool addToEngine = true)
    {
        auto block = std::make_shared<MediaBlock>(QStringLiteral("B"), QUuid::createUuid());
        block->setItems(MediaBlock::Items(items));
        if (addToEngine && engine) {
            auto blocks = engine->blocks();
            blocks.push_back(block);
            engine->setBlocks(blocks);
        }
        return block;
    }

    // Lets seconds pass in steps of one fade-clock tick, running the main
    // queue between steps as the application's event loop would.
    void run(double seconds)
    {
        const double step = 1.0 / 60.0;
        const double end = clock.now() + seconds;
        while (clock.now() + step < end) {
            clock.advance(step);
            drainMainQueue();
        }
        clock.advance(end - clock.now());
        drainMainQueue();
    }

    // Runs until pred holds (or limit seconds pass); returns the time it took.
    std::optional<double> runUntil(const std::function<bool()>& pred, double limit = 120.0)
    {
        const double start = clock.now();
        while (!pred()) {
            if (clock.now() - start > limit)
                return std::nullopt;
            run(1.0 / 120.0);
        }
        return clock.now() - start;
    }

    bool onAir(const std::shared_ptr<MediaFile>& item) const
    {
        return engine->currentItemID() && *engine->currentItemID() == item->id();
    }

    static float gainOf(FakeMediaPlayer& player)
    {
        auto item = player.currentItem();
        if (!item)
            return -1.0f;
        auto tap = std::dynamic_pointer_cast<AudioLevelTap>(item->audioMix().tap);
        return tap ? tap->gain.load() : -1.0f;
    }

    static QString pathOf(FakeMediaPlayer& player)
    {
        auto item = player.currentItem();
        return item ? item->path() : QString();
    }

    static QString pathOf(const std::shared_ptr<MediaFile>& item) { return item->playableURL().toLocalFile(); }

    ManualClock clock;
    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    std::shared_ptr<FakeMedia> media = std::make_shared<FakeMedia>();
    std::shared_ptr<NullAudioOutput> output = std::make_shared<NullAudioOutput>();
    std::vector<std::shared_ptr<FakeMediaPlayer>> players;
    std::vector<std::shared_ptr<FakeLiveSession>> liveSessions;
    std::unique_ptr<PlaylistEngine> engine;
};

} // namespace tessarin::test

#pragma once
// The real PlaylistEngine on fake players and a hand-driven clock, for the
// tests of what drives it (the schedule, the keys, the views): the engine
// itself, items of fake media, blocks put into it, and time let pass.
// Header-only so every test folder can use it.
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <QUrl>
#include <QUuid>

#include <initializer_list>
#include <memory>
#include <vector>

namespace tessarin::test {

using FakePlayers = std::vector<std::shared_ptr<FakeMediaPlayer>>;

// An engine without sound on fake players of the media, each kept in
// players as the engine makes it.
inline std::unique_ptr<PlaylistEngine> engineOnFakes(ManualClock& clock, Settings& settings,
                                                     const std::shared_ptr<FakeMedia>& media, FakePlayers& players)
{
    return std::make_unique<PlaylistEngine>(
        clock, settings,
        [&clock, media, &players] {
            auto player = std::make_shared<FakeMediaPlayer>(clock, media);
            players.push_back(player);
            return player;
        },
        std::make_shared<NullAudioOutput>());
}

// A file item whose media lasts seconds (its out point too, so the planned
// length of a block holding it is known at once).
inline std::shared_ptr<MediaFile> fakeFile(FakeMedia& media, const QString& name, double seconds)
{
    const QString path = QStringLiteral("/fake/") + name + QStringLiteral(".mp4");
    media.durations[path] = seconds;
    auto item = MediaFile::create(QUrl::fromLocalFile(path));
    item->setOutPoint(seconds);
    return item;
}

// A block of the items, put after the engine's other blocks.
inline std::shared_ptr<MediaBlock> appendBlock(PlaylistEngine& engine, const QString& name,
                                               std::initializer_list<std::shared_ptr<MediaFile>> items)
{
    auto block = std::make_shared<MediaBlock>(name, QUuid::createUuid());
    block->setItems(MediaBlock::Items(items));
    auto blocks = engine.blocks();
    blocks.push_back(block);
    engine.setBlocks(blocks);
    return block;
}

// Lets seconds pass in tenths of a second, running the main queue between
// steps as the event loop would.
inline void runInTenths(ManualClock& clock, double seconds)
{
    const double end = clock.now() + seconds;
    while (clock.now() + 0.1 < end) {
        clock.advance(0.1);
        drainMainQueue();
    }
    clock.advance(end - clock.now());
    drainMainQueue();
}

} // namespace tessarin::test

#pragma once
// The playback engine: owns the show's blocks, the two program players and
// the preview player, decides what is on air and how the program passes from
// one item to the next (cuts, fades through black, crossfades, loops, block
// ends), and publishes what the operator sees about it.
//
// Main thread only. Every time-driven behaviour runs on the injected Clock:
// the 1/60 s fade clock, the players' 0.25 s time observers and the 0.5 s
// near-end blink. Values other threads need are handed over through objects
// with their own locks or atomics (fade(), mix(), liveSink(), programAudio()).
//
// Observable: every published setter stores its value and emits
// <name>Changed(), also when the value is unchanged. changed() follows once
// per operation: an operation (a take, a stop, an item's end, a fade's step)
// may set a property several times, and set it back, before it is done, and
// changed() comes when it is, with the state as it ends. A setter outside any
// operation emits changed() at once. followEngine() runs a view's refresh on
// it, once per operation that emitted the signals the view reads.
//
// The implementation is split by concern: PlaylistEngine.cpp (state,
// settings, lookups, readouts), PlaylistEngineTransport.cpp (selection, cue,
// transport), PlaylistEngineTransitions.cpp (starting items, fades,
// crossfades, gains), PlaylistEngineEnd.cpp (end of item, loops, block end),
// PlaylistEngineLive.cpp (live items on air).
#include "engine/OverlayLayer.h"
#include "engine/Transition.h"
#include "media/LiveStatus.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"

#include <QHash>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace tessarin {

class AudioLevelTap;
class AudioOutput;
class Clock;
class LiveAudioPlayer;
class LiveRoute;
class LiveSession;
class LiveVideoSink;
class MediaPlayer;
class PlayerItem;
class ProgramAudioBus;
class ProgramPictureSize;
class Settings;
class StallWatch;
class Timer;

class PlaylistEngine : public QObject {
    Q_OBJECT
public:
    using Blocks = std::vector<std::shared_ptr<MediaBlock>>;
    using PlayerFactory = std::function<std::shared_ptr<MediaPlayer>()>;
    // Asked first when a block ends; true means the end has been handled.
    using BlockEndHandler = std::function<bool(const std::shared_ptr<MediaBlock>&)>;

    // An item that could not be played, and why (the player's reason).
    struct PlaybackFailure {
        std::shared_ptr<MediaFile> item;
        QString reason;
    };
    // How long playbackFailure() stays set after a failure.
    static constexpr double kFailureNoticeSeconds = 6.0;

    // The settings keys of the transition.
    static const QString kStyleKey;
    static const QString kFadeSecondsKey;

    // makePlayer makes the three players (A, B, preview), in that order, and
    // the overlay layers' video players; live audio plays on audioOutput
    // (the machine's shared output when none is given).
    PlaylistEngine(Clock& clock, Settings& settings, const PlayerFactory& makePlayer,
        std::shared_ptr<AudioOutput> audioOutput = nullptr, QObject* parent = nullptr);
    ~PlaylistEngine() override;

    // --- published state --------------------------------------------------
    const Blocks& blocks() const { return blocks_; }
    void setBlocks(Blocks blocks);
    bool isPlaying() const { return isPlaying_; }
    const std::optional<QUuid>& currentBlockID() const { return currentBlockID_; }
    const std::optional<QUuid>& currentItemID() const { return currentItemID_; }
    const std::shared_ptr<MediaFile>& cuedItem() const { return cuedItem_; }
    const std::shared_ptr<MediaBlock>& cuedBlock() const { return cuedBlock_; }
    const std::shared_ptr<MediaFile>& selectedItem() const { return selectedItem_; }
    const std::shared_ptr<MediaBlock>& selectedBlock() const { return selectedBlock_; }
    const QString& currentTimecode() const { return currentTimecode_; }
    const QString& remainingTimecode() const { return remainingTimecode_; }
    double progress() const { return progress_; }
    double windowDuration() const { return windowDuration_; }
    bool canSeek() const { return canSeek_; }
    bool isLiveOnAir() const { return isLiveOnAir_; }
    // The block that the fade through black under way will put on air when
    // the program reaches black; nothing when no such fade runs.
    std::optional<QUuid> pendingBlockID() const { return ramp_ ? std::optional(ramp_->targetBlockID) : std::nullopt; }
    const LiveStatus& liveStatus() const { return liveStatus_; }
    // The last item that failed to play on air, for kFailureNoticeSeconds
    // after its failure (the program has moved on from it by then).
    const std::optional<PlaybackFailure>& playbackFailure() const { return playbackFailure_; }
    bool isNearEnd() const { return isNearEnd_; }
    bool nearEndBlinkOn() const { return nearEndBlinkOn_; }
    TransitionStyle transitionStyle() const { return transitionStyle_; }
    // Stores the style under kStyleKey; switching to cut ends every fade at once.
    void setTransitionStyle(TransitionStyle style);
    double fadeSeconds() const { return fadeSeconds_; }
    // Rounds to one decimal and clamps to 0.1 ... 10 (a value that is not a
    // number counts as the default 1.0), then stores under kFadeSecondsKey.
    void setFadeSeconds(double seconds);

    // --- shared objects ---------------------------------------------------
    const std::shared_ptr<MediaPlayer>& playerA() const { return playerA_; }
    const std::shared_ptr<MediaPlayer>& playerB() const { return playerB_; }
    const std::shared_ptr<MediaPlayer>& previewPlayer() const { return previewPlayer_; }
    PlayerMix& mix() const { return *mix_; }
    FadeLevel& fade() const { return *fade_; }
    const std::shared_ptr<AudioLevelTap>& levelMeter() const { return levelMeter_; }
    OverlayLayers& overlays() const { return *overlays_; }
    const std::shared_ptr<ProgramAudioBus>& programAudio() const { return programAudio_; }
    const std::shared_ptr<LiveVideoSink>& liveSink() const { return liveSink_; }
    // The live source's sound player (its clock times the live pictures).
    const std::shared_ptr<LiveAudioPlayer>& liveAudio() const { return liveAudio_; }
    // The size the program renderers draw the players at; the player items
    // made for the program and the cue preview are sized by it.
    const std::shared_ptr<ProgramPictureSize>& programPictureSize() const { return programPictureSize_; }
    // Installed by the schedule.
    void setBlockEndHandler(BlockEndHandler handler) { blockEndHandler_ = std::move(handler); }
    // The schedule's hidden one-item blocks, searched after blocks().
    const Blocks& scheduleBlocks() const { return scheduleBlocks_; }
    void setScheduleBlocks(Blocks blocks);
    // Opens the session of a live item taken to air: LiveSessionFactory::make
    // unless another maker is set (tests hand in fake sessions).
    using LiveSessionMaker = std::function<std::shared_ptr<LiveSession>(const LiveSource&)>;
    void setLiveSessionMaker(LiveSessionMaker make) { makeLiveSession_ = std::move(make); }

    // --- lookups ------------------------------------------------------------
    std::shared_ptr<MediaBlock> block(const QUuid& id) const;
    std::shared_ptr<MediaBlock> currentBlock() const;
    std::shared_ptr<MediaFile> currentItem() const;
    std::optional<int> currentItemIndex(const MediaBlock& block) const;

    // --- selection, cue and transport ---------------------------------------
    void select(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block);
    void cue(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block);
    void clearCue();
    // Once the cued item has left the show (its block removed from both
    // lists, or the item taken out of its block) the preview player lets go
    // of it: no player stays loaded, paused and decoding, for an item the
    // show no longer holds. The cue itself stays, and a take opens the file
    // afresh. Run on every change of either block list and of the cued
    // block's items.
    void releaseCueOutsideShow();
    void takeCued();
    void play(const std::shared_ptr<MediaBlock>& block);
    // Takes one item of a block to air with a fresh loop count (a direct
    // play of an item row).
    void play(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block);
    void togglePlayPause();
    void stop();
    void playNext();
    void playPrevious();
    bool hasNext() const;
    // Seeks the item on air to a share of its window; precise seeks land on
    // the exact frame. completion (optional) runs on the main thread with true
    // once the new position is decoded, and with false when a later seek or a
    // new item replaced this one or when nothing was sought.
    void seek(double toProgress, bool precise, std::function<void(bool finished)> completion = {});
    // Moves the item on air by seconds (negative: back) with a precise seek;
    // a jump past either end of the window lands on its IN or OUT point.
    // Nothing happens unless canSeek.
    void jump(double seconds);
    std::shared_ptr<MediaBlock> addBlock();
    void removeBlock(const std::shared_ptr<MediaBlock>& block);
    // Ends the block on air at once (the schedule, when an event's time is up).
    void endBlockNow();
    // Stops watching the end of the item on air.
    void removeEndObserver();

signals:
    void blocksChanged();
    void isPlayingChanged();
    void currentBlockIDChanged();
    void currentItemIDChanged();
    void cuedItemChanged();
    void cuedBlockChanged();
    void selectedItemChanged();
    void selectedBlockChanged();
    void currentTimecodeChanged();
    void remainingTimecodeChanged();
    void progressChanged();
    void windowDurationChanged();
    void canSeekChanged();
    void isLiveOnAirChanged();
    void liveStatusChanged();
    void playbackFailureChanged();
    void isNearEndChanged();
    void nearEndBlinkOnChanged();
    void transitionStyleChanged();
    void fadeSecondsChanged();
    // A block reached its end (its last item ended, or the schedule ended it),
    // before its end behaviour runs.
    void blockEnded(const std::shared_ptr<MediaBlock>& block);
    // After every change of a published property.
    void changed();

private:
    struct Crossfade {
        double start = 0;
        double duration = 0;
        std::shared_ptr<MediaPlayer> outgoing;
        std::shared_ptr<AudioLevelTap> outgoingTap;
        std::shared_ptr<MediaFile> outgoingItem;
        std::shared_ptr<MediaBlock> outgoingBlock;
    };
    struct FadeRamp {
        double from = 1;
        double start = 0;
        double duration = 0;
        std::function<void()> then;
        QUuid targetBlockID; // the block `then` puts on air
    };
    struct Window {
        double start = 0;
        double end = 0;
    };
    struct Aired {
        QUuid block;
        QUuid item;
    };
    struct Preloaded {
        QUuid itemID;
        std::shared_ptr<MediaPlayer> player;
        std::weak_ptr<PlayerItem> playerItem;
        // Queued behind the item on air in its player, which goes on with it
        // by itself from that item's last sample.
        bool joined = false;
    };
    // What the preview player was given by cue(): a cut take of that item
    // hands this player item over to the program as it stands.
    struct CuePreview {
        std::weak_ptr<PlayerItem> playerItem;
        QUrl url;
        double inPoint = 0;
    };
    struct Upcoming {
        std::shared_ptr<MediaFile> item;
        std::int64_t iteration = 0;
    };
    // What is on air, as far as the readouts are concerned: the item and
    // its block, live or not, running or not, and the player item playing it
    // (a loop restart or a cued take plays the same item from a new one).
    struct OnAir {
        std::optional<QUuid> block;
        std::optional<QUuid> item;
        bool live = false;
        bool playing = false;
        std::weak_ptr<PlayerItem> playerItem;
    };
    using Action = std::function<void()>;

    // Published setters.
    void setIsPlaying(bool value);
    void setCurrentBlockID(std::optional<QUuid> value);
    void setCurrentItemID(std::optional<QUuid> value);
    void setCuedItem(std::shared_ptr<MediaFile> value);
    void setCuedBlock(std::shared_ptr<MediaBlock> value);
    void setSelectedItem(std::shared_ptr<MediaFile> value);
    void setSelectedBlock(std::shared_ptr<MediaBlock> value);
    void setCurrentTimecode(const QString& value);
    void setRemainingTimecode(const QString& value);
    void setProgress(double value);
    void setWindowDuration(double value);
    void setCanSeek(bool value);
    void setIsLiveOnAir(bool value);
    void setLiveStatus(const LiveStatus& value);
    void setPlaybackFailure(std::optional<PlaybackFailure> value);
    // Shows the failure of an item for a while.
    void noticeFailure(const std::shared_ptr<MediaFile>& item, const QString& error);
    void setIsNearEnd(bool value);
    void setNearEndBlinkOn(bool value);
    // changed() now, or at the end of the operation under way.
    void publishChange();
    // The end of the outermost operation (or of a change made outside
    // any): the readouts follow what is on air, then changed() is emitted.
    void endOperation();
    // Held for the length of an operation: changed() comes once, as the
    // outermost one ends.
    class Operation {
    public:
        explicit Operation(PlaylistEngine& engine);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        PlaylistEngine& engine_;
    };

    // State and readouts (PlaylistEngine.cpp).
    const std::shared_ptr<MediaPlayer>& activePlayer() const { return activeIsB_ ? playerB_ : playerA_; }
    const std::shared_ptr<MediaPlayer>& idlePlayer() const { return activeIsB_ ? playerA_ : playerB_; }
    // The tap the item on air does not use: an item that starts while
    // that one still sounds, or right after its last sample, goes through
    // it, so that its gain never reaches the other one's samples.
    const std::shared_ptr<AudioLevelTap>& spareTap() const { return airTap_ == levelMeter_ ? secondTap_ : levelMeter_; }
    std::optional<Window> playbackWindow() const;
    void updateTimecodes(double currentTime);
    bool nearEndWanted(const std::optional<Window>& window, double currentTime) const;
    OnAir onAirNow() const;
    // Works the readouts and the near-end warning out afresh when what is
    // on air is no longer what they were worked out for.
    void settleReadouts();
    void setNearEnd(bool on);
    void resetReadouts();
    void resetPlayers();
    void timeObserverTick(const std::weak_ptr<MediaPlayer>& observed, double seconds);
    void setMixForActive();

    // Selection, cue and transport (PlaylistEngineTransport.cpp).
    Action takeWithFreshLoopCount(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block);
    Action takeWithinBlock(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block);
    std::optional<std::pair<std::shared_ptr<MediaFile>, std::shared_ptr<MediaBlock>>> resumeTarget() const;
    void observeGain(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block);
    void dropGainObserver();

    // Starting items, fades and crossfades (PlaylistEngineTransitions.cpp).
    // Takes item of block to air now, or half a fade through black from now.
    void transition(const MediaFile& item, const MediaBlock& block, Action action);
    void start(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block, bool isLoopRestart);
    std::shared_ptr<PlayerItem> makePlayerItem(const std::shared_ptr<MediaFile>& item,
        const std::shared_ptr<AudioLevelTap>& tap, float volume);
    // Hands the preview's player item of the cued item (already open and at
    // its IN point) over to `into`, where it replaces the current item from
    // the next render on, through the spare tap, and returns it; nullptr
    // when the preview does not hold that item as it is now, or the players
    // cannot hand it over.
    std::shared_ptr<PlayerItem> takeCuePreview(const MediaFile& item, float volume, MediaPlayer& into);
    void dropCuePreview();
    // Empties the preview player.
    void unloadPreview();
    bool canCrossfade() const;
    double crossfadeLength(const MediaFile& next) const;
    static std::optional<double> clipLength(const MediaFile& item);
    // fromCue: the item is the cued one, whose open player item may be
    // handed over from the preview.
    void beginCrossfade(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block, double duration,
        bool fromCue = false);
    double crossfadeProgress() const;
    void updateCrossfade();
    void finishCrossfade();
    void clearPreload();
    void beginFade(const MediaFile& item, bool isLoopRestart, bool crossfaded);
    void tickFade();
    double clipFadeLevel() const;
    double hostFadeIn() const;
    void applyGain();
    static float effectiveVolume(const MediaFile& item, const MediaBlock& block);
    double safeFadeSeconds() const;

    // End of item, loops and block end (PlaylistEngineEnd.cpp).
    void watchEnd(const std::shared_ptr<PlayerItem>& playerItem, const std::shared_ptr<MediaFile>& item,
        const std::shared_ptr<MediaBlock>& block);
    // failed: the item could not be played; its own loop is not restarted,
    // and a looping block none of whose items plays any more stops.
    void advance(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block,
        bool failed = false);
    // Failures (PlaylistEngineEnd.cpp). Every player item made for an item
    // reports on the item whether it opens; the failure of the item on air
    // skips it as if it had ended, and one loaded ahead is dropped.
    void observePlayability(const std::shared_ptr<PlayerItem>& playerItem, const std::shared_ptr<MediaFile>& item);
    void dropFailedPreload(const std::shared_ptr<PlayerItem>& playerItem);
    void skipFailed(const std::shared_ptr<PlayerItem>& playerItem, const std::shared_ptr<MediaFile>& item,
        const std::shared_ptr<MediaBlock>& block);
    std::size_t itemsInShow() const;
    std::optional<Upcoming> upcoming(const MediaFile& item, const MediaBlock& block) const;
    void checkUpcomingCrossfade();
    void preload(const std::shared_ptr<MediaFile>& item, float volume = 0.0f);
    // A player item to be loaded ahead of its start, dropped if it fails.
    std::shared_ptr<PlayerItem> makeAheadItem(const std::shared_ptr<MediaFile>& item, float volume);
    // Cuts: the item after this one waits queued behind it in the active
    // player (armJoin); at the end it is taken as it plays (adoptJoin).
    void armJoin(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block);
    // The join of the item on air is armed once its end is near (kJoinLead):
    // until then only one item decodes, and edits of its block made meanwhile
    // count. Checked at once and at every tick of the fade clock.
    void armJoinWhenDue();
    void checkDueJoin();
    bool adoptJoin(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block, bool isLoopRestart);
    void handleBlockEnd(const std::shared_ptr<MediaBlock>& block);
    bool isKnownBlock(const QUuid& id) const;

    // Live items on air (PlaylistEngineLive.cpp, PlaylistEngineLiveOnAir.cpp).
    void startLive(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block);
    void stopLiveSession();
    void tickLiveClock();

    Clock& clock_;
    Settings& settings_;

    Blocks blocks_;
    std::shared_ptr<MediaPlayer> playerA_;
    std::shared_ptr<MediaPlayer> playerB_;
    bool activeIsB_ = false;
    std::unique_ptr<PlayerMix> mix_;
    std::shared_ptr<MediaPlayer> previewPlayer_;
    bool isPlaying_ = false;
    std::optional<QUuid> currentBlockID_;
    std::optional<QUuid> currentItemID_;
    std::shared_ptr<MediaFile> cuedItem_;
    std::shared_ptr<MediaBlock> cuedBlock_;
    std::shared_ptr<MediaFile> selectedItem_;
    std::shared_ptr<MediaBlock> selectedBlock_;
    QString currentTimecode_;
    QString remainingTimecode_;
    double progress_ = 0;
    double windowDuration_ = 0;
    bool canSeek_ = false;
    bool isLiveOnAir_ = false;
    LiveStatus liveStatus_;
    bool isNearEnd_ = false;
    bool nearEndBlinkOn_ = false;
    std::optional<OnAir> readoutsFor_; // what the readouts were last settled for
    int operations_ = 0;          // operations under way, nested
    bool changePending_ = false;  // changed() is owed when they end
    std::shared_ptr<AudioLevelTap> levelMeter_;
    std::shared_ptr<AudioLevelTap> secondTap_;
    std::shared_ptr<AudioLevelTap> airTap_; // the tap of the item on air: one of the two
    BlockEndHandler blockEndHandler_;
    std::unique_ptr<OverlayLayers> overlays_;
    std::shared_ptr<ProgramAudioBus> programAudio_;
    std::unique_ptr<FadeLevel> fade_;
    TransitionStyle transitionStyle_ = TransitionStyle::cut;
    double fadeSeconds_ = 1.0;
    std::optional<FadeRamp> ramp_;
    bool fadeInEnabled_ = false;
    bool fadeOutEnabled_ = false;
    double fadeInLength_ = 1.0;
    std::optional<double> pendingFadeInLength_;
    double clipStartHost_ = 0;
    std::unique_ptr<Timer> fadeClock_;
    std::optional<Aired> lastAired_;
    std::shared_ptr<LiveVideoSink> liveSink_;
    std::shared_ptr<ProgramPictureSize> programPictureSize_;
    std::shared_ptr<LiveAudioPlayer> liveAudio_;
    std::shared_ptr<LiveSession> liveSession_; // set and cleared with liveRoute_
    std::shared_ptr<LiveRoute> liveRoute_;
    LiveSessionMaker makeLiveSession_;
    std::unique_ptr<Timer> liveClock_;
    double liveStartDate_ = 0;
    std::vector<QMetaObject::Connection> gainObserver_;
    QMetaObject::Connection endObserver_;
    QMetaObject::Connection cuedBlockObserver_; // the cued block's items
    QMetaObject::Connection failureObserver_; // the failure of the item on air
    std::weak_ptr<PlayerItem> watchedItem_;   // the player item on air
    std::set<QUuid> unplayable_;              // items whose last player item failed
    std::size_t failuresInARow_ = 0;          // items on air that failed since one opened
    std::optional<PlaybackFailure> playbackFailure_;
    std::unique_ptr<Timer> failureTimer_;
    std::unique_ptr<StallWatch> stallWatch_;  // fails the item on air whose time stands still
    std::vector<std::pair<std::weak_ptr<MediaPlayer>, int>> timeObservers_;
    std::unique_ptr<Timer> blinkTimer_;
    std::int64_t currentBlockLoopIteration_ = 0;
    Blocks scheduleBlocks_;
    // Both lists' blocks by id (the playlist's first), made on the first
    // lookup after either list changed: a take looks blocks up many times,
    // and a show may hold thousands.
    mutable std::optional<QHash<QUuid, std::shared_ptr<MediaBlock>>> blockIndex_;
    // Where the item on air was last found in its block: checked against
    // the block's list at each lookup, walked for again when it moved.
    mutable std::size_t currentItemHint_ = 0;
    std::optional<Crossfade> crossfade_;
    std::optional<Preloaded> preloaded_;
    // The item on air whose join waits for its end to come near.
    QUuid joinDueFor_;
    std::optional<CuePreview> cuePreview_;
};

} // namespace tessarin

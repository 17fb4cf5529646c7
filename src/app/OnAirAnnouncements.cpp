#include "app/OnAirAnnouncements.h"

#include "automation/ScheduleController.h"
#include "engine/OverlayLayer.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "streaming/StreamOutput.h"
#include "ui/kit/DisplayName.h"

namespace tessarin {

OnAirAnnouncements::OnAirAnnouncements(PlaylistEngine& engine, ScheduleController* schedule,
                                       const std::vector<StreamOutput*>& streams, Announce announce, QObject* parent)
    : QObject(parent)
    , engine_(engine)
    , schedule_(schedule)
    , announce_(std::move(announce))
    , cued_(engine.cuedItem())
    , onAir_(engine.currentItem())
    , nearEndSaid_(engine.isNearEnd())
    , playing_(engine.isPlaying())
{
    connect(&engine_, &PlaylistEngine::changed, this, &OnAirAnnouncements::followEngine);
    connect(&engine_, &PlaylistEngine::blockEnded, this, [this](const std::shared_ptr<MediaBlock>& block) {
        if (!block)
            return;
        announce_(tr("Blocco terminato: %1").arg(block->name()), Politeness::polite);
        blockEnded_ = true;
    });
    followOverlays();
    if (schedule_) {
        runningEvent_ = schedule_->runningEventID();
        connect(schedule_, &ScheduleController::runningEventIDChanged, this, &OnAirAnnouncements::followSchedule);
        armed_ = schedule_->isArmed();
        loops_ = schedule_->loops();
        connect(schedule_, &ScheduleController::isArmedChanged, this, &OnAirAnnouncements::followAutomation);
        connect(schedule_, &ScheduleController::loopsChanged, this, &OnAirAnnouncements::followAutomation);
    }
    using State = StreamOutput::Status::State;
    for (StreamOutput* destination : streams) {
        streamFailed_[destination->id()] = destination->status().state == State::failed;
        connect(destination, &StreamOutput::statusChanged, this, [this, destination] {
            bool& failed = streamFailed_[destination->id()];
            const State state = destination->status().state;
            if (state == State::failed && !failed)
                announce_(tr("Stream %1 interrotto").arg(destination->id()), Politeness::assertive);
            else if (state == State::live && failed)
                announce_(tr("Stream %1 di nuovo in onda").arg(destination->id()), Politeness::polite);
            if (state == State::failed || state == State::live)
                failed = state == State::failed;
        });
    }
}

void OnAirAnnouncements::followEngine()
{
    const auto& failure = engine_.playbackFailure();
    const std::shared_ptr<MediaFile> failed = failure ? failure->item : nullptr;
    const bool failedNow = failed && failed != failed_;
    if (failedNow)
        announce_(tr("Impossibile riprodurre: %1").arg(itemDisplayName(*failed)), Politeness::assertive);
    failed_ = failed;

    // The transport: an item taken, paused, resumed, or the program
    // stopped by the operator (a block's end and a failure say so
    // themselves).
    const std::shared_ptr<MediaFile> onAir = engine_.currentItem();
    const bool playing = engine_.isPlaying();
    const bool saidWhy = blockEnded_ || failedNow;
    const bool taken = onAir && onAir != onAir_;
    if (taken) {
        unheardOnAir_ = onAir;
        nearEndSaid_ = false;
        paused_ = false;
    } else if (saidWhy) {
        paused_ = false;
    } else if (onAir && playing_ && !playing) {
        announce_(tr("In pausa: %1").arg(itemDisplayName(*onAir)), Politeness::polite);
        paused_ = true;
    } else if (onAir && paused_ && playing) {
        announce_(tr("Ripresa: %1").arg(itemDisplayName(*onAir)), Politeness::polite);
        paused_ = false;
    } else if (!onAir && onAir_) {
        announce_(tr("Fermato: %1").arg(itemDisplayName(*onAir_)), Politeness::polite);
        paused_ = false;
    }
    // A file is on air once its position moves: one that never plays is
    // said to fail, never to be on air first.
    if (unheardOnAir_ && unheardOnAir_ != onAir)
        unheardOnAir_.reset();
    if (unheardOnAir_ && (unheardOnAir_->isLive() || engine_.isLiveOnAir() || engine_.progress() > 0)) {
        announce_(tr("In onda: %1").arg(itemDisplayName(*onAir)), Politeness::polite);
        unheardOnAir_.reset();
    }
    onAir_ = onAir;
    playing_ = playing;
    blockEnded_ = false;

    // The warning of an item that will end, once per item: a pause takes
    // the warning down and a resume puts it up again, unsaid; playing
    // before the last seconds (a seek back) lets it be said anew. A looping
    // item starts again instead, lap after lap, and ends only once its
    // loop is switched off. A short item is in its last seconds as it
    // starts: the warning follows its start.
    const bool nearEnd = engine_.isNearEnd() && onAir && !onAir->loop() && !unheardOnAir_;
    if (nearEnd && !nearEndSaid_) {
        announce_(tr("In chiusura: %1").arg(itemDisplayName(*onAir)), Politeness::assertive);
        nearEndSaid_ = true;
    } else if (!engine_.isNearEnd() && playing) {
        nearEndSaid_ = false;
    }

    const std::shared_ptr<MediaFile> cued = engine_.cuedItem();
    if (cued && cued != cued_)
        announce_(tr("In cue: %1").arg(itemDisplayName(*cued)), Politeness::polite);
    cued_ = cued;
}

void OnAirAnnouncements::followOverlays()
{
    for (const std::shared_ptr<OverlayLayer>& layer : engine_.overlays().layers()) {
        if (!layer)
            continue;
        OverlayLayer* raw = layer.get();
        bool* const shown = &layerShown_[raw->id()];
        *shown = raw->isVisible();
        connect(raw, &OverlayLayer::isVisibleChanged, this, [this, raw, shown] {
            if (raw->isVisible() == *shown)
                return;
            *shown = raw->isVisible();
            announce_(*shown ? tr("Layer in onda: %1").arg(raw->title()) : tr("Layer nascosto: %1").arg(raw->title()),
                      Politeness::polite);
        });
    }
}

void OnAirAnnouncements::followAutomation()
{
    if (schedule_->isArmed() != armed_) {
        armed_ = schedule_->isArmed();
        announce_(armed_ ? tr("Automazione attiva") : tr("Automazione spenta"), Politeness::polite);
    }
    if (schedule_->loops() != loops_) {
        loops_ = schedule_->loops();
        announce_(loops_ ? tr("Loop del palinsesto attivo") : tr("Loop del palinsesto spento"), Politeness::polite);
    }
}

void OnAirAnnouncements::followSchedule()
{
    const std::optional<QUuid> running = schedule_->runningEventID();
    if (running && running != runningEvent_) {
        for (const ScheduleEvent& event : schedule_->events()) {
            if (event.id == *running) {
                // Once, even where a damaged show repeats an id.
                announce_(tr("Avvio dal palinsesto: %1").arg(schedule_->title(event)), Politeness::polite);
                break;
            }
        }
    }
    runningEvent_ = running;
}

} // namespace tessarin

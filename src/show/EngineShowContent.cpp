#include "show/EngineShowContent.h"

#include "media/ShowRevision.h"
#include "platform/HeapRelease.h"
#include "platform/Clock.h"
#include "show/EngineShowListing.h"
#include "show/ShowLoading.h"

#include <algorithm>

namespace tessarin {
namespace {

// Seconds from a show emptied to its memory handed back.
constexpr double kReleaseDelay = 3.0;

} // namespace

EngineShowContent::EngineShowContent(const Services& services)
    : engine_(std::make_unique<PlaylistEngine>(services.clock, services.settings, services.makePlayer,
                                               services.audioOutput))
    , schedule_(std::make_unique<ScheduleController>(engine_.get(), services.settings, services.clock,
                                                     services.calendar))
    , browserFiles_(std::make_unique<BrowserFiles>())
    , releaseMemory_(services.clock.createTimer([] { HeapRelease::shared().request(); }, true))
{
}

EngineShowContent::~EngineShowContent()
{
    // The schedule holds on to the engine (its block-end hook): it goes first.
    schedule_.reset();
    engine_.reset();
}

ShowDocument EngineShowContent::document(const std::optional<QString>& base) const
{
    return document(base, {});
}

ShowDocument EngineShowContent::document(const std::optional<QString>& base, ShowDocument recycled) const
{
    return ShowDocument::build(engine_->blocks(), engine_->overlays().layers(), schedule_->events(),
                               schedule_->loops(), browserFiles_->browserFiles(), base, std::move(recycled));
}

std::optional<std::uint64_t> EngineShowContent::revision() const
{
    return ShowRevision::current();
}

bool EngineShowContent::update(ShowDocument& snapshot, std::uint64_t since) const
{
    const auto changed = ShowRevision::filesChangedSince(since);
    if (!changed)
        return false;
    const auto isChanged = [&](const std::shared_ptr<MediaFile>& file) {
        return file && std::find(changed->begin(), changed->end(), file.get()) != changed->end();
    };
    // The lists are walked as ShowDocument::build walks them (empty places
    // left out), comparing pointers only: a show of thousands of items is
    // a few contiguous lists, whatever the number of items.
    const auto updateList = [&](const std::vector<std::shared_ptr<MediaFile>>& files,
                                std::vector<ShowDocument::Item>& entries) {
        std::size_t at = 0;
        for (const auto& file : files) {
            if (!file)
                continue;
            if (at >= entries.size())
                return false;
            if (isChanged(file))
                entries[at] = ShowDocument::item(*file, std::nullopt);
            ++at;
        }
        return at == entries.size();
    };
    if (changed->empty())
        return true;
    if (!updateList(browserFiles_->browserFiles(), snapshot.browser))
        return false;
    std::size_t at = 0;
    for (const auto& block : engine_->blocks()) {
        if (!block)
            continue;
        if (at >= snapshot.blocks.size() || !updateList(block->items(), snapshot.blocks[at].items))
            return false;
        ++at;
    }
    if (at != snapshot.blocks.size())
        return false;
    const auto& events = schedule_->events();
    if (!snapshot.schedule || snapshot.schedule->size() != events.size())
        return false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (isChanged(events[i].media))
            (*snapshot.schedule)[i].media = ShowDocument::item(*events[i].media, std::nullopt);
    }
    return true;
}

void EngineShowContent::reset()
{
    engine_->stop();
    engine_->clearCue();
    // The engine offers selection as a toggle: selecting the selected item
    // again clears the item and its block.
    if (const auto selected = engine_->selectedItem())
        engine_->select(selected, engine_->selectedBlock());
    engine_->setBlocks({});
    schedule_->load({}, false);
    // A layer's placement and loop switch are part of the show as much as
    // its file: an emptied show starts from the defaults, not from the
    // previous show's settings.
    for (const auto& layer : engine_->overlays().layers()) {
        layer->clear();
        layer->resetTransform();
        layer->setLoops(false);
    }
    browserFiles_->setBrowserFiles({});
    // The old show's rows and cards are deleted once the event loop runs
    // again, and its objects with them.
    releaseMemory_->start(kReleaseDelay);
}

void EngineShowContent::apply(const ShowDocument& document, const QString& showFolder, QStringList& missing,
                              const ShowLoading::Correction& correction)
{
    // The document outlives the listing, which is finished here.
    list(std::shared_ptr<const ShowDocument>(std::shared_ptr<const ShowDocument>(), &document), showFolder, correction)
        ->finish(missing);
}

std::unique_ptr<ShowContent::Listing> EngineShowContent::list(std::shared_ptr<const ShowDocument> document,
                                                              const QString& showFolder,
                                                              const ShowLoading::Correction& correction)
{
    return std::make_unique<EngineShowListing>(*this, std::move(document), showFolder, correction);
}

} // namespace tessarin

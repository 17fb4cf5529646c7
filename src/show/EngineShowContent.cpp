#include "show/EngineShowContent.h"

#include "show/EngineShowListing.h"

namespace tessarin {

EngineShowContent::EngineShowContent(const Services& services)
    : engine_(std::make_unique<PlaylistEngine>(services.clock, services.settings, services.makePlayer,
                                               services.audioOutput))
    , schedule_(std::make_unique<ScheduleController>(engine_.get(), services.settings, services.clock,
                                                     services.calendar))
    , browserFiles_(std::make_unique<BrowserFiles>())
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

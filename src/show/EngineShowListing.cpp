#include "show/EngineShowListing.h"

#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "show/EngineShowContent.h"

#include <algorithm>
#include <utility>

namespace tessarin {

EngineShowListing::EngineShowListing(EngineShowContent& content, std::shared_ptr<const ShowDocument> document,
                                     QString showFolder, ShowLoading::Correction correction)
    : content_(content)
    , document_(std::move(document))
    , loading_(std::move(showFolder), std::move(correction))
{
    browser_.reserve(document_->browser.size());
    blocks_.reserve(document_->blocks.size());
}

EngineShowListing::~EngineShowListing() = default;

bool EngineShowListing::step(int items)
{
    const ShowDocument& document = *document_;
    int budget = std::max(items, 1);
    for (; budget > 0 && browserListed_ < document.browser.size(); --budget) {
        if (auto file = loading_.makeFile(document.browser[browserListed_++]))
            browser_.push_back(std::move(file));
    }
    while (budget > 0 && blocksListed_ < document.blocks.size()) {
        const ShowDocument::Block& entry = document.blocks[blocksListed_];
        for (; budget > 0 && blockItemsListed_ < entry.items.size(); --budget) {
            if (auto file = loading_.makeFile(entry.items[blockItemsListed_++]))
                blockItems_.push_back(std::move(file));
        }
        if (blockItemsListed_ < entry.items.size())
            break;
        blocks_.push_back(loading_.makeBlock(entry, std::exchange(blockItems_, {})));
        ++blocksListed_;
        blockItemsListed_ = 0;
        --budget;
    }
    // The schedule at once: its events are few beside the items.
    if (budget > 0 && blocksListed_ == document.blocks.size() && !events_)
        events_ = loading_.makeEvents(document.schedule);
    return events_.has_value();
}

void EngineShowListing::finish(QStringList& missing)
{
    while (!step(int(document_->browser.size() + document_->blocks.size()) + 1)) {
    }
    content_.browserFiles().setBrowserFiles(std::move(browser_));
    content_.engine().setBlocks(std::move(blocks_));
    content_.schedule().load(std::move(*events_), document_->scheduleLoops.value_or(false));

    const auto& layers = content_.engine().overlays().layers();
    const size_t paired = std::min(layers.size(), document_->layers.size());
    for (size_t i = 0; i < paired; ++i)
        loading_.applyLayer(*layers[i], document_->layers[i]);

    missing.append(loading_.missing());
}

} // namespace tessarin

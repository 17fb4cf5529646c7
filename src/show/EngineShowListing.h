#pragma once
// The program's show rebuilt from a document a slice at a time: the browser's
// items, then each block's, then the schedule are made apart from the show,
// and the finish hands them to the browser list, the engine and the schedule
// at once and loads the layers. In the order of apply(), so media not found
// are named in the same order. The items' analyses wait for the end of the
// listing. Main thread.
#include "show/ShowContent.h"
#include "show/ShowLoading.h"

#include "automation/ScheduleModels.h"
#include "platform/Workers.h"

#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class EngineShowContent;
class MediaBlock;
class MediaFile;

class EngineShowListing final : public ShowContent::Listing {
public:
    EngineShowListing(EngineShowContent& content, std::shared_ptr<const ShowDocument> document, QString showFolder,
                      ShowLoading::Correction correction);
    ~EngineShowListing() override;

    bool step(int items) override;
    void finish(QStringList& missing) override;

private:
    EngineShowContent& content_;
    // The items' analyses start once the show is listed (or given up).
    Workers::SoonHold analysesWait_;
    std::shared_ptr<const ShowDocument> document_;
    ShowLoading loading_;
    std::vector<std::shared_ptr<MediaFile>> browser_;
    std::vector<std::shared_ptr<MediaBlock>> blocks_;
    std::vector<std::shared_ptr<MediaFile>> blockItems_; // of the block being listed
    std::optional<std::vector<ScheduleEvent>> events_;
    std::size_t browserListed_ = 0;
    std::size_t blocksListed_ = 0;
    std::size_t blockItemsListed_ = 0;
};

} // namespace tessarin

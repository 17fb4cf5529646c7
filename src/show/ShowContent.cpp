#include "show/ShowContent.h"

namespace tessarin {

namespace {

// A content without slices of its own: everything at the end.
class WholeListing final : public ShowContent::Listing {
public:
    WholeListing(ShowContent& content, std::shared_ptr<const ShowDocument> document, QString showFolder,
                 ShowLoading::Correction correction)
        : content_(content)
        , document_(std::move(document))
        , showFolder_(std::move(showFolder))
        , correction_(std::move(correction))
    {
    }

    bool step(int) override { return true; }
    void finish(QStringList& missing) override { content_.apply(*document_, showFolder_, missing, correction_); }

private:
    ShowContent& content_;
    std::shared_ptr<const ShowDocument> document_;
    QString showFolder_;
    ShowLoading::Correction correction_;
};

} // namespace

std::unique_ptr<ShowContent::Listing> ShowContent::list(std::shared_ptr<const ShowDocument> document,
                                                        const QString& showFolder,
                                                        const ShowLoading::Correction& correction)
{
    return std::make_unique<WholeListing>(*this, std::move(document), showFolder, correction);
}

} // namespace tessarin

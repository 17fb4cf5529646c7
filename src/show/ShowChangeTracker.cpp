#include "show/ShowChangeTracker.h"

namespace tessarin {

ShowChangeTracker::ShowChangeTracker(Clock& clock, std::function<ShowDocument()> currentDocument, QObject* parent)
    : ShowChangeTracker(clock, [make = std::move(currentDocument)](ShowDocument) { return make(); }, {}, parent)
{
}

ShowChangeTracker::ShowChangeTracker(Clock& clock, std::function<ShowDocument(ShowDocument recycled)> currentDocument,
    Revision revision, QObject* parent)
    : QObject(parent)
    , currentDocument_(std::move(currentDocument))
    , revision_(std::move(revision))
{
    // The timer belongs to this object and stops when it is destroyed, so a
    // tick never reaches a tracker that is gone.
    changeWatcher_ = clock.createTimer([this] { check(); });
    changeWatcher_->start(kCheckInterval);
}

ShowChangeTracker::~ShowChangeTracker() = default;

QString ShowChangeTracker::snapshotOf(const ShowDocument& document)
{
    const auto bytes = document.toJson(ShowDocument::Layout::compact);
    return bytes ? QString::fromUtf8(*bytes) : QString();
}

void ShowChangeTracker::markSaved()
{
    comparedRevision_ = revision_ ? revision_() : std::nullopt;
    saved_ = currentDocument_({});
    savedIsWritable_ = saved_.hasOnlyFiniteNumbers();
    setDirty(false);
}

bool ShowChangeTracker::check()
{
    if (comparedRevision_ && revision_ && revision_() == comparedRevision_)
        return isDirty_; // nothing saved has changed since the last comparison
    return checkNow();
}

bool ShowChangeTracker::checkNow()
{
    comparedRevision_ = revision_ ? revision_() : std::nullopt;
    // A show that cannot be written (a number that is not finite) never
    // counts as saved, so discarding it is always asked: a current show equal
    // to such a saved one cannot be written either, and any other differs.
    ShowDocument current = currentDocument_(std::move(recycled_));
    const bool dirty = !savedIsWritable_ || !(current == saved_);
    recycled_ = std::move(current);
    if (dirty != isDirty_)
        setDirty(dirty);
    return isDirty_;
}

void ShowChangeTracker::setDirty(bool dirty)
{
    isDirty_ = dirty;
    emit isDirtyChanged();
    emit changed();
}

} // namespace tessarin

#include "show/ShowChangeTracker.h"

namespace tessarin {

ShowChangeTracker::ShowChangeTracker(Clock& clock, std::function<ShowDocument()> currentDocument, QObject* parent)
    : ShowChangeTracker(clock, Source {[make = std::move(currentDocument)](ShowDocument) { return make(); }, {}, {}},
                        parent)
{
}

ShowChangeTracker::ShowChangeTracker(Clock& clock, Source source, QObject* parent)
    : QObject(parent)
    , source_(std::move(source))
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

std::optional<std::uint64_t> ShowChangeTracker::revision() const
{
    return source_.revision ? source_.revision() : std::nullopt;
}

void ShowChangeTracker::markSaved()
{
    comparedRevision_ = revision();
    saved_ = source_.document({});
    // The next change is brought into a copy (its strings shared).
    recycled_ = saved_;
    recycledRevision_ = comparedRevision_;
    savedIsWritable_ = saved_.hasOnlyFiniteNumbers();
    setDirty(false);
}

bool ShowChangeTracker::check()
{
    const auto now = revision();
    if (!now || !comparedRevision_)
        return checkNow();
    if (now == comparedRevision_)
        return isDirty_; // nothing saved has changed since the last comparison
    // Only some items changed: their entries are brought up to date, and the
    // documents compared.
    if (recycledRevision_ && source_.update && source_.update(recycled_, *recycledRevision_)) {
        comparedRevision_ = recycledRevision_ = now;
        return compare(recycled_);
    }
    return checkNow();
}

bool ShowChangeTracker::checkNow()
{
    comparedRevision_ = recycledRevision_ = revision();
    recycled_ = source_.document(std::move(recycled_));
    return compare(recycled_);
}

bool ShowChangeTracker::compare(const ShowDocument& current)
{
    // A show that cannot be written (a number that is not finite) never
    // counts as saved, so discarding it is always asked: a current show equal
    // to such a saved one cannot be written either, and any other differs.
    const bool dirty = !savedIsWritable_ || !(current == saved_);
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

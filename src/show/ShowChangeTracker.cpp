#include "show/ShowChangeTracker.h"

namespace tessarin {

ShowChangeTracker::ShowChangeTracker(Clock& clock, std::function<QString()> currentSnapshot, QObject* parent)
    : QObject(parent)
    , currentSnapshot_(std::move(currentSnapshot))
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
    savedSnapshot_ = currentSnapshot_();
    setDirty(false);
}

bool ShowChangeTracker::check()
{
    // A show that cannot be written (a number that is not finite) has no
    // snapshot; it never counts as saved, so discarding it is always asked.
    const QString current = currentSnapshot_();
    const bool dirty = current.isEmpty() || current != savedSnapshot_;
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

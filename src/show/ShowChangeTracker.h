#pragma once
// Whether the open show has changes that are not saved. The show as it was
// last saved, opened or created is kept as a snapshot text (its document
// encoded compactly with sorted keys and no base folder); every 1.5 s the
// current snapshot is compared with it. A caller about to discard the show
// asks check() first, so an edit made since the last tick is never missed.
// Main thread.
#include "platform/Clock.h"
#include "show/ShowDocument.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace tessarin {

class ShowChangeTracker : public QObject {
    Q_OBJECT
public:
    static constexpr double kCheckInterval = 1.5;

    // currentSnapshot gives the snapshot text of the show as it is now.
    // The watcher starts at once; savedSnapshot starts empty until
    // markSaved() is first called.
    ShowChangeTracker(Clock& clock, std::function<QString()> currentSnapshot, QObject* parent = nullptr);
    ~ShowChangeTracker() override;

    // A document as a snapshot text; the empty text when it cannot be
    // encoded (a number that is not finite).
    static QString snapshotOf(const ShowDocument& document);

    bool isDirty() const { return isDirty_; }
    const QString& savedSnapshot() const { return savedSnapshot_; }

    // The show as it is now counts as saved: savedSnapshot becomes the
    // current snapshot and isDirty false (announced even when it was false).
    void markSaved();

    // Compares the current snapshot with the saved one now; isDirty is
    // assigned, and announced, only when it flips. Returns it.
    bool check();

signals:
    void isDirtyChanged();
    void changed();

private:
    void setDirty(bool dirty);

    std::function<QString()> currentSnapshot_;
    QString savedSnapshot_;
    bool isDirty_ = false;
    std::unique_ptr<Timer> changeWatcher_;
};

} // namespace tessarin

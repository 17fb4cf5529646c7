#pragma once
// Whether the open show has changes that are not saved. The show as it was
// last saved, opened or created is kept as its document (no base folder);
// every 1.5 s the current document is compared with it, value by value,
// which costs no encoding, but only when the show's revision (a count that
// every change to a saved value moves on) has moved since the last
// comparison: a show left alone costs nothing, however large. A show that
// cannot be written (a number that is not finite) never counts as saved. A
// caller about to discard the show asks checkNow() first, so an edit made
// since the last tick is never missed. Main thread.
#include "platform/Clock.h"
#include "show/ShowDocument.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tessarin {

class ShowChangeTracker : public QObject {
    Q_OBJECT
public:
    static constexpr double kCheckInterval = 1.5;

    // currentDocument gives the show as it is now. The watcher starts at
    // once; the saved show is the empty document until markSaved() is first
    // called.
    ShowChangeTracker(Clock& clock, std::function<ShowDocument()> currentDocument, QObject* parent = nullptr);
    // Where the show comes from, for a watcher that follows its revision.
    struct Source {
        // The current document, built in the storage of the one before it
        // (given back each check).
        std::function<ShowDocument(ShowDocument recycled)> document;
        // The show's revision: documents are compared only when it moved
        // since the last comparison (at every check when it is null or gives
        // nullopt).
        std::function<std::optional<std::uint64_t>()> revision;
        // Brings the last document made, at the revision given, up to date
        // in place; false when it must be made anew. May be null.
        std::function<bool(ShowDocument& document, std::uint64_t since)> update;
    };
    ShowChangeTracker(Clock& clock, Source source, QObject* parent = nullptr);
    ~ShowChangeTracker() override;

    // A document as a snapshot text; the empty text when it cannot be
    // encoded (a number that is not finite).
    static QString snapshotOf(const ShowDocument& document);

    bool isDirty() const { return isDirty_; }
    const ShowDocument& savedDocument() const { return saved_; }
    // The saved show as a snapshot text.
    QString savedSnapshot() const { return snapshotOf(saved_); }

    // The show as it is now counts as saved: it becomes the saved document
    // and isDirty false (announced even when it was false).
    void markSaved();

    // The watcher's check: compares the current document with the saved one
    // when the revision moved since the last comparison; isDirty is
    // assigned, and announced, only when it flips. Returns it.
    bool check();
    // The same, comparing whatever the revision says.
    bool checkNow();

signals:
    void isDirtyChanged();
    void changed();

private:
    void setDirty(bool dirty);
    bool compare(const ShowDocument& current);

    std::optional<std::uint64_t> revision() const;

    Source source_;
    // The revision the last comparison (or markSaved) saw.
    std::optional<std::uint64_t> comparedRevision_;
    // The revision recycled_ shows the show at, when it is known.
    std::optional<std::uint64_t> recycledRevision_;
    ShowDocument saved_;
    ShowDocument recycled_; // the last document made, its storage reused
    bool savedIsWritable_ = true;
    bool isDirty_ = false;
    std::unique_ptr<Timer> changeWatcher_;
};

} // namespace tessarin

#pragma once
// The browser's files as a list model for the media list: one row per file,
// in list order (a file listed twice is shown once), with the selection the
// column tells it. A row's file is followed from the first time a view asks
// for the row (as it is painted): a thumbnail or duration that arrives then
// changes that row alone. Thumbnails are decoded in the background when a
// row first asks for them and kept for the last rows painted only, so a list
// of any length costs the rows on screen. A change of the list removes,
// moves and inserts rows where it can, so the current row and the scroll
// position stay with their files; a change too scattered for that resets
// the list. Main thread.
#include "media/PackedPicture.h"
#include "show/BrowserFiles.h"
#include "ui/browser/BrowserRow.h"

#include <QAbstractListModel>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QUuid>

namespace tessarin {

class BrowserFileModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // bool: the row's file is selected.
        SelectedRole = Qt::UserRole + 1,
        // QString: the duration as shown.
        DurationRole,
        // QString: the placeholder's symbol.
        SymbolRole,
    };

    explicit BrowserFileModel(QObject* parent = nullptr);

    void setFiles(const BrowserFiles::Files& files);
    // The files listed (each once), in display order.
    const BrowserFiles::Files& files() const { return files_; }
    const std::shared_ptr<MediaFile>& file(int row) const { return files_[std::size_t(row)]; }
    // The row of the file with the id; -1 when none.
    int rowOf(const QUuid& id) const { return rows_.value(id, -1); }

    void setSelection(const QSet<QUuid>& ids);
    bool isSelected(int row) const { return selection_.contains(file(row)->id()); }

    // The row's values as painted (the focus ring aside).
    BrowserRow::Look look(int row) const;
    // The row's thumbnail as decoded; null while it has none or while it is
    // being decoded (asked for here), after which the row changes.
    QImage thumbnail(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    // Display: the name; accessible text: "<name>, <duration>".
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Decoded {
        PackedPicture picture; // the one decoded
        QImage image;
    };
    void follow(const std::shared_ptr<MediaFile>& file) const;
    void announce(const QUuid& id, const QList<int>& roles);
    // Makes the rows from first to end (the model's) those of between,
    // which holds ids, by removing, moving and inserting rows.
    void changeRows(int first, int end, const BrowserFiles::Files& between, const QSet<QUuid>& ids);
    void moveKeptRows(const BrowserFiles::Files& kept);

    BrowserFiles::Files files_;
    QHash<QUuid, int> rows_;
    QSet<QUuid> selection_;
    // The files whose signals reach the model.
    mutable QSet<QUuid> followed_;
    mutable QCache<QUuid, Decoded> decoded_;
    mutable QSet<QUuid> decoding_;
};

} // namespace tessarin

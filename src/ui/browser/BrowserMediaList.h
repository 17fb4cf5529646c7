#pragma once
// The browser's "Media" tab: the list of files (one painted row per file,
// in list order, see BrowserFileList) or a hint to drop files when there
// are none. The column owns the selection and tells the list what is
// selected. Main thread.
#include "show/BrowserFiles.h"

#include <QSet>
#include <QStackedWidget>
#include <QUuid>

namespace tessarin {

class BrowserFileList;
class BrowserFileModel;

class BrowserMediaList : public QStackedWidget {
    Q_OBJECT
public:
    explicit BrowserMediaList(QWidget* parent = nullptr);

    // Shows files in this order, each once.
    void setFiles(const BrowserFiles::Files& files);
    void setSelection(const QSet<QUuid>& ids);

    // The files listed (each once), in display order.
    const BrowserFiles::Files& files() const;
    bool showsEmptyHint() const;
    // Scrolls the row at index (clamped to the list) into view and gives it
    // the keyboard focus.
    void focusRow(int index);

    BrowserFileModel& model() const { return *model_; }
    BrowserFileList* view() const { return view_; }

private:
    QWidget* empty_;
    BrowserFileModel* model_;
    BrowserFileList* view_;
};

} // namespace tessarin

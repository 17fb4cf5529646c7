#pragma once
// The media browser's file list, in list order: what the browser column
// shows and edits, and what a show saves and restores as its "browser".
// Observable: every assignment emits browserFilesChanged() and changed(),
// also when the list is the same. Main thread.
#include "media/MediaFile.h"

#include <QObject>

#include <memory>
#include <vector>

namespace tessarin {

class BrowserFiles : public QObject {
    Q_OBJECT
public:
    using Files = std::vector<std::shared_ptr<MediaFile>>;

    explicit BrowserFiles(QObject* parent = nullptr);
    ~BrowserFiles() override;

    const Files& browserFiles() const { return files_; }
    void setBrowserFiles(Files files);

signals:
    void browserFilesChanged();
    void changed();

private:
    Files files_;
};

} // namespace tessarin

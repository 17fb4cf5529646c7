#include "show/BrowserFiles.h"

#include "media/ShowRevision.h"

namespace tessarin {

BrowserFiles::BrowserFiles(QObject* parent) : QObject(parent) {}

BrowserFiles::~BrowserFiles() = default;

void BrowserFiles::setBrowserFiles(Files files)
{
    ShowRevision::advanceIfChanging(files_, files); // saved with the show
    files_ = std::move(files);
    emit browserFilesChanged();
    emit changed();
}

} // namespace tessarin

#include "show/BrowserFiles.h"

namespace tessarin {

BrowserFiles::BrowserFiles(QObject* parent) : QObject(parent) {}

BrowserFiles::~BrowserFiles() = default;

void BrowserFiles::setBrowserFiles(Files files)
{
    files_ = std::move(files);
    emit browserFilesChanged();
    emit changed();
}

} // namespace tessarin

#pragma once
// Makes the content of an item row's IN/OUT popover: the trim editor of the
// item with a waveform of the given height. Main thread.
#include <memory>

class QWidget;

namespace tessarin {

class MediaFile;

QWidget* makeTrimEditor(const std::shared_ptr<MediaFile>& item, int waveformHeight);

} // namespace tessarin

#include "ui/playlist/TrimEditorFactory.h"

#include "ui/playlist/WaveformTrimView.h"

namespace tessarin {

QWidget* makeTrimEditor(const std::shared_ptr<MediaFile>& item, int waveformHeight)
{
    return new WaveformTrimView(item, waveformHeight);
}

} // namespace tessarin

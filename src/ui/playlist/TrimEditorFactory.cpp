#include "ui/playlist/TrimEditorFactory.h"

#include "media/MediaFile.h"
#include "ui/kit/Theme.h"

#include <QLabel>

namespace tessarin {

// A stand-in until the trim editor itself is built.
QWidget* makeTrimEditor(const std::shared_ptr<MediaFile>&, int waveformHeight)
{
    auto* label = new QLabel(QStringLiteral("IN / OUT"));
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumSize(360, waveformHeight + 40);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::textSecondary());
    label->setPalette(palette);
    return label;
}

} // namespace tessarin

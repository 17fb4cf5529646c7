#pragma once
// The interface's symbols by name ("play.fill", "gearshape.fill"), drawn from
// embedded bootstrap-icons SVGs or Material Icons glyphs. Main thread.
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace tessarin {

class Icons {
public:
    // The symbol in color at size x size logical pixels; a null pixmap for
    // an unknown name.
    static QPixmap pixmap(const QString& symbolName, const QColor& color, int size, qreal devicePixelRatio = 1.0);
    static QIcon icon(const QString& symbolName, const QColor& color, int size = 16);
    static bool has(const QString& symbolName);
};

} // namespace tessarin

#pragma once
// What one file of the browser's media list shows: its thumbnail (or, while
// it has none, a dark plate with a symbol), its name cut in the middle where
// it does not fit and its duration, on a striped background, or tinted with
// a bar at the leading edge when selected, with the focus ring on the row
// the keyboard is on. Pure texts and painting: the list's model gives each
// row its values and the delegate paints them. Main thread (the texts are
// localised).
#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>

class QPainter;

namespace tessarin {

class MediaFile;

class BrowserRow {
    Q_DECLARE_TR_FUNCTIONS(tessarin::BrowserRow)
public:
    // The live source's name, else the file name without its extension.
    static QString displayName(const MediaFile& file);
    // The length as the row shows it ("00:00:02").
    static QString durationText(const MediaFile& file);
    // What a screen reader reads for the row: "<name>, <duration>".
    static QString accessibleName(const MediaFile& file);
    // The placeholder's symbol: "waveform" for sound alone, else "film".
    static QString placeholderSymbol(const MediaFile& file);

    // A row's values as painted.
    struct Look {
        QString name;
        QString duration;
        // The decoded thumbnail; null: the placeholder with its symbol.
        QImage thumbnail;
        QString symbol;
        // The row's place in the list, for the stripes.
        int index = 0;
        bool isSelected = false;
        bool showsFocusRing = false;
        // Under the selection's tint: the window's colour.
        QColor ground;
    };
    // Where the parts of a row go in rect, and the name as it fits there.
    struct Geometry {
        QRect thumbnail, name, duration;
        QString shownName;
    };
    static Geometry geometry(const Look& look, const QRect& rect);
    // Every row's height.
    static int height();
    static void paint(QPainter& painter, const QRect& rect, const Look& look, qreal devicePixelRatio);

    // The picture a drag of count files shows (a drag of one: its name).
    static QPixmap dragPreview(const QString& name, int count, qreal devicePixelRatio);
};

} // namespace tessarin

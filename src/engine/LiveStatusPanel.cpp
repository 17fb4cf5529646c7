#include "engine/LiveStatusPanel.h"

#include "platform/Icons.h"
#include "ui/kit/Theme.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {

// Sizes in logical pixels.
constexpr double kPadding = 20.0;
constexpr double kSpacing = 8.0;
constexpr double kCornerRadius = 12.0;
constexpr double kMargin = 8.0; // at least this clear of the picture's edges
constexpr double kMessageWidth = 360.0;
constexpr int kSymbolSize = 26;
constexpr double kSpinnerSize = 32.0; // a large indeterminate progress indicator
constexpr int kSpinnerSpokes = 12;
constexpr double kSpinnerTurnsPerSecond = 1.0;
constexpr double kCalloutPixels = 12.0;

QColor scaled(QColor colour, double factor)
{
    return QColor::fromRgbF(colour.redF() * factor, colour.greenF() * factor, colour.blueF() * factor,
                            colour.alphaF());
}

QFont calloutFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(int(kCalloutPixels));
    return font;
}

void paintSpinner(QPainter& p, const QRectF& box, const QColor& colour, double time)
{
    const QPointF centre = box.center();
    const double outer = box.width() / 2;
    const double inner = outer * 0.45;
    const int lead = int(std::fmod(std::max(time, 0.0) * kSpinnerTurnsPerSecond, 1.0) * kSpinnerSpokes);
    QPen pen(colour, outer * 0.18, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpinnerSpokes; ++i) {
        const int age = (lead - i + kSpinnerSpokes) % kSpinnerSpokes;
        QColor c = colour;
        c.setAlphaF(colour.alphaF() * (1.0 - 0.8 * age / double(kSpinnerSpokes - 1)));
        pen.setColor(c);
        p.setPen(pen);
        const double angle = 2 * M_PI * i / kSpinnerSpokes - M_PI / 2;
        p.drawLine(centre + QPointF(std::cos(angle), std::sin(angle)) * inner,
                   centre + QPointF(std::cos(angle), std::sin(angle)) * outer);
    }
}

} // namespace

void LiveStatusPanel::paint(QImage& target, const LiveStatus& status, double dpr, double colourScale, double time)
{
    if (!isShown(status) || target.isNull())
        return;
    if (!(dpr > 0))
        dpr = 1.0;
    const QSizeF area(target.width() / dpr, target.height() / dpr);
    const QFont font = calloutFont();
    const QFontMetricsF metrics(font);

    const bool failed = status.isFailed();
    const QString text = failed ? status.message() : waitingText();
    const QColor textColour = scaled(failed ? Theme::textPrimary() : Theme::textSecondary(), colourScale);
    // The text keeps to its width, its lines centred.
    const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
    const QRectF textBox = metrics.boundingRect(QRectF(0, 0, kMessageWidth, 1e6), flags, text);
    const double topSize = failed ? kSymbolSize : kSpinnerSize;

    const double contentWidth = std::max(textBox.width(), topSize);
    const double contentHeight = topSize + kSpacing + textBox.height();
    const QSizeF panel(contentWidth + 2 * kPadding, contentHeight + 2 * kPadding);
    // A picture too small for the panel (a narrow window's monitor) gets it
    // drawn smaller, clear of its edges, rather than touching or crossing them.
    const double fit = std::min({ 1.0, (area.width() - 2 * kMargin) / panel.width(),
                                  (area.height() - 2 * kMargin) / panel.height() });
    if (!(fit > 0))
        return;
    const QSizeF room(area.width() / fit, area.height() / fit);
    const QRectF panelRect((room.width() - panel.width()) / 2, (room.height() - panel.height()) / 2, panel.width(),
                           panel.height());

    QPainter p(&target);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(dpr * fit, dpr * fit);
    QPainterPath path;
    path.addRoundedRect(panelRect, kCornerRadius, kCornerRadius);
    p.fillPath(path, QColor::fromRgbF(0, 0, 0, 0.7));

    const double top = panelRect.top() + kPadding;
    const QRectF topBox(panelRect.center().x() - topSize / 2, top, topSize, topSize);
    if (failed) {
        const QPixmap symbol = Icons::pixmap(QStringLiteral("exclamationmark.triangle.fill"),
                                             scaled(Theme::meterHigh(), colourScale), kSymbolSize, dpr * fit);
        if (!symbol.isNull())
            p.drawPixmap(topBox, symbol, QRectF(symbol.rect()));
    } else {
        paintSpinner(p, topBox, textColour, time);
    }
    p.setFont(font);
    p.setPen(textColour);
    const QRectF textRect(panelRect.center().x() - textBox.width() / 2, top + topSize + kSpacing, textBox.width(),
                          textBox.height());
    p.drawText(textRect, flags, text);
}

} // namespace tessarin

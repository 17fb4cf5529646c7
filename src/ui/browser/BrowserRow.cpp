#include "ui/browser/BrowserRow.h"

#include "media/MediaFile.h"
#include "media/TimecodeFormatter.h"
#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/DisplayName.h"
#include "ui/kit/Theme.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tessarin {
namespace {

constexpr int kSelectionBar = 3;
// Around the row's contents and between its parts.
constexpr int kMarginX = 10;
constexpr int kMarginY = 6;
constexpr int kSpacing = 8;
constexpr int kThumbnailWidth = 40;
constexpr int kThumbnailHeight = 24;
constexpr qreal kThumbnailRadius = 3;
constexpr int kGlyph = 10; // caption 2

const QFont& nameFont()
{
    static const QFont font = Theme::font(12);
    return font;
}

const QFont& durationFont()
{
    static const QFont font = Theme::monoFont(10);
    return font;
}

// A part of height h centred in the row's contents, as a box layout places it.
QRect centred(int x, int width, int h, const QRect& contents)
{
    return { x, contents.y() + (contents.height() - h) / 2, width, h };
}

void paintThumbnail(QPainter& p, const QRect& rect, const QImage& image, const QString& symbol, qreal dpr)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame(rect);
    QPainterPath clip;
    clip.addRoundedRect(frame, kThumbnailRadius, kThumbnailRadius);
    if (!image.isNull()) {
        // Fills the frame keeping the aspect ratio; the overflow is cut off.
        p.setClipPath(clip);
        const QSizeF scaled = QSizeF(image.size()).scaled(frame.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(frame.center().x() - scaled.width() / 2, frame.center().y() - scaled.height() / 2,
                            scaled.width(), scaled.height());
        p.drawImage(target, image);
    } else {
        p.fillPath(clip, Theme::black(0.6));
        const QPixmap glyph = Icons::pixmap(symbol, Qt::white, kGlyph, dpr);
        p.drawPixmap(QRect(rect.x() + (rect.width() - kGlyph) / 2, rect.y() + (rect.height() - kGlyph) / 2, kGlyph,
                           kGlyph),
                     glyph);
    }
    p.restore();
}

} // namespace

QString BrowserRow::displayName(const MediaFile& file) { return itemDisplayName(file); }

QString BrowserRow::durationText(const MediaFile& file) { return TimecodeFormatter::string(file.duration()); }

QString BrowserRow::accessibleName(const MediaFile& file)
{
    return displayName(file) + QStringLiteral(", ") + durationText(file);
}

QString BrowserRow::placeholderSymbol(const MediaFile& file)
{
    return file.isAudioOnly() ? QStringLiteral("waveform") : QStringLiteral("film");
}

int BrowserRow::height()
{
    const int tallest = std::max({ kThumbnailHeight, QFontMetrics(nameFont()).height(),
                                   QFontMetrics(durationFont()).height() });
    return tallest + 2 * kMarginY;
}

BrowserRow::Geometry BrowserRow::geometry(const Look& look, const QRect& rect)
{
    Geometry g;
    const QRect contents = rect.adjusted(kMarginX, kMarginY, -kMarginX, -kMarginY);
    g.thumbnail = centred(contents.x(), kThumbnailWidth, kThumbnailHeight, contents);
    // The duration keeps its whole width; the name takes what is left.
    const QFontMetrics durationMetrics(durationFont());
    const int durationWidth = durationMetrics.horizontalAdvance(look.duration) + 1;
    g.duration = centred(contents.right() + 1 - durationWidth, durationWidth, durationMetrics.height(), contents);
    const QFontMetrics nameMetrics(nameFont());
    const int nameX = g.thumbnail.right() + 1 + kSpacing;
    const int nameWidth = std::max(0, g.duration.x() - kSpacing - nameX);
    g.name = centred(nameX, nameWidth, nameMetrics.height(), contents);
    g.shownName = nameMetrics.elidedText(look.name, Qt::ElideMiddle, nameWidth);
    return g;
}

void BrowserRow::paint(QPainter& p, const QRect& rect, const Look& look, qreal dpr)
{
    p.save();
    if (look.isSelected) {
        if (look.ground.isValid())
            p.fillRect(rect, look.ground);
        p.fillRect(rect, Theme::withAlpha(Theme::accent(), 0.28));
        p.fillRect(QRect(rect.x(), rect.y(), kSelectionBar, rect.height()), Theme::accent());
    } else {
        p.fillRect(rect, look.index % 2 == 0 ? Theme::rowDark() : Theme::rowLight());
    }
    const Geometry g = geometry(look, rect);
    paintThumbnail(p, g.thumbnail, look.thumbnail, look.symbol, dpr);
    const int alignment = int(Qt::AlignLeft | Qt::AlignVCenter);
    p.setFont(nameFont());
    p.setPen(Theme::textPrimary());
    p.drawText(g.name, alignment, g.shownName);
    p.setFont(durationFont());
    p.setPen(Theme::textSecondary());
    p.drawText(g.duration, alignment, look.duration);
    if (look.showsFocusRing)
        paintFocusRing(p, QRectF(rect).adjusted(1.5, 1.5, -1.5, -1.5), 4);
    p.restore();
}

QPixmap BrowserRow::dragPreview(const QString& name, int count, qreal dpr)
{
    const bool several = count >= 2;
    const QString text = several ? tr("%1 file").arg(count) : name;
    const QFont font = Theme::font(12, several ? QFont::DemiBold : QFont::Normal);
    const QFontMetrics fm(font);
    const QMargins pad = several ? QMargins(12, 6, 12, 6) : QMargins(10, 5, 10, 5);
    const QSize size(fm.horizontalAdvance(text) + pad.left() + pad.right(), fm.height() + pad.top() + pad.bottom());
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    if (several) {
        p.setBrush(Theme::accent());
        p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        p.setPen(Qt::black);
    } else {
        p.setBrush(Theme::panelAlt());
        p.drawRoundedRect(r, 6, 6);
        p.setPen(Theme::textPrimary());
    }
    p.setFont(font);
    p.drawText(r.marginsRemoved(QMarginsF(pad)), Qt::AlignLeft | Qt::AlignVCenter, text);
    return pixmap;
}

} // namespace tessarin

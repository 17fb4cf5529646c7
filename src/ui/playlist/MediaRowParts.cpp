#include "ui/playlist/MediaRowParts.h"

#include "platform/Icons.h"
#include "ui/kit/Theme.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>

namespace tessarin {
namespace {
constexpr int kThumbWidth = 56;
constexpr int kThumbHeight = 32;
constexpr int kThumbGap = 9;
constexpr int kTextX = kThumbWidth + kThumbGap;
constexpr int kNameGap = 2;
} // namespace

// ---- RowSelectArea

RowSelectArea::RowSelectArea(const QString& selectHelp, const QString& subtitleHelp, QWidget* parent)
    : QWidget(parent)
    , selectHelp_(selectHelp)
    , subtitleHelp_(subtitleHelp)
{
    setAccessibleName(selectHelp);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void RowSelectArea::setLook(const Look& look)
{
    if (look == look_)
        return;
    // Bold and regular type of one size are equally high: only another
    // height asks the layout again.
    const bool resized = QFontMetrics(look.nameFont).height() != QFontMetrics(look_.nameFont).height()
        || QFontMetrics(look.subtitleFont).height() != QFontMetrics(look_.subtitleFont).height();
    look_ = look;
    if (resized)
        updateGeometry();
    update();
}

void RowSelectArea::setLiveTile(const QString& symbol)
{
    liveTile_ = true;
    symbol_ = symbol;
    thumbnail_ = {};
    update(QRect(0, 0, kThumbWidth, height()));
}

void RowSelectArea::setThumbnail(const QImage& image, const QString& placeholder)
{
    liveTile_ = false;
    symbol_ = placeholder;
    thumbnail_ = {};
    if (!image.isNull()) {
        // Scaled once here, to fill the tile (cropped to it), never in paint.
        const qreal dpr = devicePixelRatioF();
        const QSize target(qRound(kThumbWidth * dpr), qRound(kThumbHeight * dpr));
        const QImage scaled = image.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        const QRect crop((scaled.width() - target.width()) / 2, (scaled.height() - target.height()) / 2,
                         target.width(), target.height());
        thumbnail_ = QPixmap::fromImage(scaled.copy(crop));
        thumbnail_.setDevicePixelRatio(dpr);
    }
    update(QRect(0, 0, kThumbWidth, height()));
}

void RowSelectArea::setSubtitleWidget(QWidget* widget)
{
    subtitleWidget_ = widget;
    widget->setParent(this);
    widget->show();
    updateGeometry();
}

int RowSelectArea::nameHeight() const { return QFontMetrics(look_.nameFont).height(); }

int RowSelectArea::subtitleHeight() const
{
    return subtitleWidget_ ? subtitleWidget_->sizeHint().height() : QFontMetrics(look_.subtitleFont).height();
}

QSize RowSelectArea::sizeHint() const
{
    const int text = nameHeight() + kNameGap + subtitleHeight();
    const int subtitleWidth = subtitleWidget_ ? subtitleWidget_->sizeHint().width() : 80;
    return { kTextX + std::max(120, subtitleWidth), std::max(kThumbHeight, text) };
}

QSize RowSelectArea::minimumSizeHint() const
{
    const int subtitleWidth = subtitleWidget_ ? subtitleWidget_->minimumSizeHint().width() : 40;
    return { kTextX + subtitleWidth, sizeHint().height() };
}

QRect RowSelectArea::subtitleRect() const
{
    const int text = nameHeight() + kNameGap + subtitleHeight();
    const int top = (height() - text) / 2 + nameHeight() + kNameGap;
    return { kTextX, top, std::max(0, width() - kTextX), subtitleHeight() };
}

void RowSelectArea::resizeEvent(QResizeEvent*)
{
    if (subtitleWidget_) {
        const QRect r = subtitleRect();
        subtitleWidget_->setGeometry(r.x(), r.y(), std::min(r.width(), subtitleWidget_->sizeHint().width()), r.height());
    }
}

void RowSelectArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0, (height() - kThumbHeight) / 2.0, kThumbWidth, kThumbHeight);
    QPainterPath clip;
    clip.addRoundedRect(tile, 4, 4);
    if (liveTile_) {
        p.fillPath(clip, Theme::withAlpha(Theme::live(), 0.18));
        const int s = 14;
        p.drawPixmap(QRectF(tile.center().x() - s / 2.0, tile.center().y() - s / 2.0, s, s),
                     Icons::pixmap(symbol_, Theme::live(), s, devicePixelRatioF()), QRectF());
    } else if (!thumbnail_.isNull()) {
        p.save();
        p.setClipPath(clip);
        p.drawPixmap(tile.topLeft(), thumbnail_);
        p.restore();
    } else {
        // The browser's placeholder look (ThumbnailView): a dark plate and a white symbol.
        p.fillPath(clip, Theme::black(0.6));
        const int s = 12;
        p.drawPixmap(QRectF(tile.center().x() - s / 2.0, tile.center().y() - s / 2.0, s, s),
                     Icons::pixmap(symbol_, Qt::white, s, devicePixelRatioF()), QRectF());
    }

    const int textWidth = std::max(0, width() - kTextX);
    const QRect sub = subtitleRect();
    const QRect name(kTextX, sub.top() - kNameGap - nameHeight(), textWidth, nameHeight());
    p.setFont(look_.nameFont);
    p.setPen(look_.nameColor);
    p.drawText(name, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(look_.nameFont).elidedText(look_.name, Qt::ElideMiddle, textWidth));
    if (subtitleWidget_)
        return;
    p.setFont(look_.subtitleFont);
    const QFontMetrics fm(look_.subtitleFont);
    const QString first = fm.elidedText(look_.subtitle, Qt::ElideRight, textWidth);
    p.setPen(look_.subtitleColor);
    p.drawText(sub, Qt::AlignLeft | Qt::AlignVCenter, first);
    if (!look_.status.isEmpty()) {
        const int x = fm.horizontalAdvance(first) + 5;
        p.setPen(look_.statusColor);
        p.drawText(sub.adjusted(x, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(look_.status, Qt::ElideRight, std::max(0, textWidth - x)));
    }
}

bool RowSelectArea::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const bool onSubtitle = !subtitleHelp_.isEmpty() && subtitleRect().contains(help->pos());
        QToolTip::showText(help->globalPos(), onSubtitle ? subtitleHelp_ : selectHelp_, this);
        return true;
    }
    return QWidget::event(event);
}

void RowSelectArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    press_.press(event->position().toPoint());
}

void RowSelectArea::mouseMoveEvent(QMouseEvent* event)
{
    if (press_.becomesDrag(event->position().toPoint(), event->buttons()) && onDragStart)
        onDragStart();
}

void RowSelectArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !press_.release())
        return;
    if (rect().contains(event->position().toPoint()) && onSelect)
        onSelect();
}

// ---- ReadoutLabel

ReadoutLabel::ReadoutLabel(const QSize& size, const QFont& font, QWidget* parent)
    : QWidget(parent)
{
    setFont(font);
    setFixedSize(size);
}

void ReadoutLabel::setText(const QString& text, const QColor& color)
{
    if (text == text_ && color == color_)
        return;
    text_ = text;
    color_ = color;
    setAccessibleName(text);
    update();
}

void ReadoutLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(color_);
    p.drawText(rect(), Qt::AlignRight | Qt::AlignVCenter, text_);
}

// ---- CueMark

namespace {
QFont cueFont()
{
    QFont f = Theme::font(9, QFont::Black);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    return f;
}
} // namespace

CueMark::CueMark(QWidget* parent)
    : QWidget(parent)
{
    setFont(cueFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("CUE"));
}

QSize CueMark::sizeHint() const
{
    const QFontMetrics fm(font());
    return { fm.horizontalAdvance(QStringLiteral("CUE")) + 14, fm.height() + 6 };
}

void CueMark::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::cue());
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.setPen(Theme::black(0.85));
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("CUE"));
}

// ---- BusyIconButton

void BusyIconButton::setBusy(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    update();
}

void BusyIconButton::paintEvent(QPaintEvent* event)
{
    if (!busy_)
        return IconButton::paintEvent(event);
    // A still progress mark: three quarters of a ring.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Theme::textSecondary(), 1.6, Qt::SolidLine, Qt::RoundCap));
    const QRectF ring(width() / 2.0 - 6, height() / 2.0 - 6, 12, 12);
    p.drawArc(ring, 90 * 16, -270 * 16);
}

} // namespace tessarin

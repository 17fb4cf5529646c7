#include "ui/playlist/MediaRowParts.h"

#include "platform/Icons.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/ShapedLine.h"
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
constexpr int kStatusGap = 5;
// The narrowest the tile gets.
constexpr int kMinThumbWidth = kThumbHeight;
// The room a name gets beside the widest mark before the tile is drawn whole.
constexpr int kFullTileNameRoom = 120;
// The width of a file row's parts other than its tile where the name gets
// kFullTileNameRoom beside the widest mark: its trailing buttons and
// margins, the mark's room, the gap and the name's room.
constexpr int kRowWidthBesideWholeTile = 362;
constexpr int kMarkGap = 8;

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
    const auto heightDiffers = [](const QFont& a, const QFont& b) {
        return a != b && QFontMetrics(a).height() != QFontMetrics(b).height();
    };
    const bool resized
        = heightDiffers(look.nameFont, look_.nameFont) || heightDiffers(look.subtitleFont, look_.subtitleFont);
    if (look.subtitle != look_.subtitle || look.status != look_.status || look.subtitleFont != look_.subtitleFont
        || look.name != look_.name || look.nameFont != look_.nameFont)
        measured_.valid = false;
    look_ = look;
    shown_.width = -1;
    if (resized)
        updateGeometry();
    followLines();
    update();
}

void RowSelectArea::setMark(Mark mark)
{
    if (mark == mark_)
        return;
    mark_ = mark;
    shown_.width = -1;
    // The size asked of the layout keeps room for any mark: a take or a cue
    // lays nothing out again, unless a live row's status moves under its line.
    followLines();
    update();
}

void RowSelectArea::setLentWidth(int width)
{
    if (width == lent_)
        return;
    lent_ = width;
    shown_.width = -1;
    followLines();
    update();
}

QSize RowSelectArea::markSize() const
{
    switch (mark_) {
    case Mark::none: return {};
    case Mark::onAir: return OnAirBadge::sizeFor(true);
    case Mark::paused: return OnAirBadge::sizeFor(false);
    case Mark::cue: return CueCapsule::size();
    }
    return {};
}

int RowSelectArea::markRoom() const { return mark_ == Mark::none ? 0 : markSize().width() + kMarkGap; }

int RowSelectArea::widestMarkRoom()
{
    return std::max({ OnAirBadge::sizeFor(true).width(), OnAirBadge::sizeFor(false).width(),
                      CueCapsule::size().width() })
        + kMarkGap;
}

QRect RowSelectArea::markRect() const
{
    if (mark_ == Mark::none)
        return {};
    const QSize size = markSize();
    return { width() - size.width(), (height() - size.height()) / 2, size.width(), size.height() };
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
    rounded_ = {};
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

QPixmap RowSelectArea::roundedThumbnail(int tile) const
{
    // Clipped to the tile's rounded corners once per tile width, not in
    // every paint (an antialiased clip is a mask made afresh each time).
    if (rounded_.isNull() || roundedWidth_ != tile) {
        const qreal dpr = thumbnail_.devicePixelRatio();
        rounded_ = QPixmap(QSize(qRound(tile * dpr), qRound(kThumbHeight * dpr)));
        rounded_.setDevicePixelRatio(dpr);
        rounded_.fill(Qt::transparent);
        QPainter p(&rounded_);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(0, 0, tile, kThumbHeight), 4, 4);
        p.setClipPath(clip);
        // A narrowed tile shows the middle of the picture.
        p.drawPixmap(QPointF(-(kThumbWidth - tile) / 2.0, 0), thumbnail_);
        roundedWidth_ = tile;
    }
    return rounded_;
}

void RowSelectArea::setSubtitleWidget(QWidget* widget)
{
    subtitleWidget_ = widget;
    measured_.valid = false;
    shown_.width = -1;
    widget->setParent(this);
    widget->show();
    updateGeometry();
}

int RowSelectArea::nameHeight() const { return QFontMetrics(look_.nameFont).height(); }

int RowSelectArea::subtitleHeight() const
{
    return subtitleWidget_ ? subtitleWidget_->sizeHint().height() : QFontMetrics(look_.subtitleFont).height();
}

int RowSelectArea::essentialWidth() const
{
    if (subtitleWidget_)
        return subtitleWidget_->minimumSizeHint().width();
    return measured().subtitle;
}

const RowSelectArea::Measured& RowSelectArea::measured() const
{
    // Measured once per look: layouts and paints ask many times.
    if (!measured_.valid) {
        const QFontMetrics fm(look_.subtitleFont);
        measured_.subtitle = fm.horizontalAdvance(look_.subtitle);
        measured_.status = look_.status.isEmpty() ? 0 : fm.horizontalAdvance(look_.status);
        measured_.name = QFontMetrics(look_.nameFont).horizontalAdvance(look_.name);
        measured_.valid = true;
    }
    return measured_;
}

const RowSelectArea::Shown& RowSelectArea::shown() const
{
    // Cut and shaped once per look, mark and width, not on every paint.
    if (shown_.width != width()) {
        const Metrics m = metricsFor(width());
        shown_.name.set(look_.name, look_.nameFont, m.textWidth, Qt::ElideMiddle);
        const bool lines = !subtitleWidget_;
        shown_.subtitle.set(lines ? look_.subtitle : QString(), look_.subtitleFont, m.textWidth, Qt::ElideRight);
        const int room = m.statusBelow ? m.textWidth : std::max(0, m.textWidth - statusOffset());
        shown_.status.set(lines ? look_.status : QString(), look_.subtitleFont, room, Qt::ElideRight);
        shown_.width = width();
    }
    return shown_;
}

RowSelectArea::Metrics RowSelectArea::metricsFor(int width) const
{
    const bool status = !subtitleWidget_ && !look_.status.isEmpty();
    const int oneLine = essentialWidth() + (status ? kStatusGap + measured().status : 0);
    // The tile gives up width, down to a square, in a narrow column: by the
    // column's width and the row's kind alone (the room any mark takes, the
    // line under the name that must stay whole: a length, a stepper, a live
    // line and its status words), never by the row's own name or mark, so
    // the rows of a kind in a block have one tile width and their names
    // start at one place. The name gets the rest.
    Metrics m;
    const int room = width - markRoom();
    const int kept = std::max({ kFullTileNameRoom, essentialWidth(), status ? measured().status : 0 });
    m.tile = std::clamp(width + lent_ - widestMarkRoom() - kThumbGap - kept, kMinThumbWidth, kThumbWidth);
    // Within a row (the parent) narrower than a file row needs for a whole
    // tile, every kind takes the file row's tile, so the names of a block's
    // rows start at one place whatever buttons each kind has.
    if (const QWidget* row = parentWidget(); row && row->width() > 0)
        m.tile = std::min(m.tile, std::clamp(row->width() - kRowWidthBesideWholeTile, kMinThumbWidth, kThumbWidth));
    m.textX = m.tile + kThumbGap;
    m.textWidth = std::max(0, room - m.textX);
    // Status words that do not fit beside the live line go under it.
    m.statusBelow = status && oneLine > m.textWidth;
    return m;
}

int RowSelectArea::textHeight(const Metrics& m) const
{
    int text = nameHeight() + kNameGap + subtitleHeight();
    if (m.statusBelow)
        text += kNameGap + subtitleHeight();
    return text;
}

QSize RowSelectArea::sizeHint() const
{
    const int subtitleWidth = subtitleWidget_ ? subtitleWidget_->sizeHint().width() : 80;
    const int width = kTextX + std::max(120, subtitleWidth) + widestMarkRoom();
    return { width, heightForWidth(width) };
}

QSize RowSelectArea::minimumSizeHint() const
{
    // The length, the live line or the stepper stays whole; the name and the
    // status words are cut when even that is too wide.
    return { kMinThumbWidth + kThumbGap + essentialWidth() + widestMarkRoom(), sizeHint().height() };
}

int RowSelectArea::heightForWidth(int width) const
{
    return std::max(kThumbHeight, textHeight(metricsFor(width)));
}

QRect RowSelectArea::subtitleRect() const
{
    const Metrics m = metricsFor(width());
    const int top = (height() - textHeight(m)) / 2 + nameHeight() + kNameGap;
    return { m.textX, top, m.textWidth, subtitleHeight() };
}

int RowSelectArea::statusOffset() const { return shown_.subtitle.width() + kStatusGap; }

bool RowSelectArea::isStatusBelow() const { return metricsFor(width()).statusBelow; }

QString RowSelectArea::shownName() const { return shown().name.shown(); }

QString RowSelectArea::shownSubtitle() const { return shown().subtitle.shown(); }

QString RowSelectArea::shownStatus() const { return shown().status.shown(); }

void RowSelectArea::resizeEvent(QResizeEvent*)
{
    if (subtitleWidget_) {
        const QRect r = subtitleRect();
        subtitleWidget_->setGeometry(r.x(), r.y(), std::min(r.width(), subtitleWidget_->sizeHint().width()), r.height());
    }
    followLines();
}

void RowSelectArea::followLines()
{
    // A status that moves under the live line (or back) changes the height.
    const bool below = isStatusBelow();
    if (below != statusBelow_) {
        statusBelow_ = below;
        updateGeometry();
    }
}

void RowSelectArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Metrics m = metricsFor(width());
    const QRectF tile(0, (height() - kThumbHeight) / 2.0, m.tile, kThumbHeight);
    QPainterPath clip;
    clip.addRoundedRect(tile, 4, 4);
    if (liveTile_) {
        p.fillPath(clip, Theme::withAlpha(Theme::live(), 0.18));
        const int s = 14;
        p.drawPixmap(QRectF(tile.center().x() - s / 2.0, tile.center().y() - s / 2.0, s, s),
                     Icons::pixmap(symbol_, Theme::live(), s, devicePixelRatioF()), QRectF());
    } else if (!thumbnail_.isNull()) {
        p.drawPixmap(tile.topLeft(), roundedThumbnail(m.tile));
    } else {
        // The browser row's placeholder look: a dark plate and a white symbol.
        p.fillPath(clip, Theme::black(0.6));
        const int s = 12;
        p.drawPixmap(QRectF(tile.center().x() - s / 2.0, tile.center().y() - s / 2.0, s, s),
                     Icons::pixmap(symbol_, Qt::white, s, devicePixelRatioF()), QRectF());
    }

    if (mark_ == Mark::cue)
        CueCapsule::paint(p, markRect());
    else if (mark_ != Mark::none)
        OnAirBadge::paint(p, markRect(), mark_ == Mark::onAir);

    const Shown& texts = shown();
    const QRect sub = subtitleRect();
    const QRect name(m.textX, sub.top() - kNameGap - nameHeight(), m.textWidth, nameHeight());
    p.setPen(look_.nameColor);
    texts.name.draw(p, name);
    if (subtitleWidget_)
        return;
    p.setPen(look_.subtitleColor);
    texts.subtitle.draw(p, sub);
    if (!look_.status.isEmpty()) {
        p.setPen(look_.statusColor);
        const QRect status = m.statusBelow ? sub.translated(0, sub.height() + kNameGap)
                                           : sub.adjusted(statusOffset(), 0, 0, 0);
        texts.status.draw(p, status);
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
    p.setPen(color_);
    line_.set(text_, font(), width(), Qt::ElideNone);
    line_.draw(p, rect(), Qt::AlignRight | Qt::AlignVCenter);
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

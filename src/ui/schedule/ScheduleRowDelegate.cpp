#include "ui/schedule/ScheduleRowDelegate.h"

#include "media/MediaFile.h"
#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleEventModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>
#include <QPainter>

#include <algorithm>

namespace tessarin {

namespace {

constexpr int kStatusBar = 3;
constexpr int kTimeColumn = 96;
constexpr int kMinimumHeight = 46;
constexpr int kTrailingInset = 8;
constexpr int kSpacing = 10;
constexpr int kBeforeButtons = 4;
constexpr int kLaunch = 26;
constexpr int kMenu = 22;
constexpr int kSymbolSize = 10;
constexpr int kTitleSpacing = 6;
constexpr int kLineSpacing = 2;

const QFont& timeFont()
{
    static const QFont font = Theme::monoFont(14, QFont::DemiBold);
    return font;
}
const QFont& captionFont()
{
    static const QFont font = Theme::font(10);
    return font;
}
const QFont& titleFont()
{
    static const QFont font = Theme::font(13, QFont::DemiBold);
    return font;
}
const QFont& detailFont()
{
    static const QFont font = Theme::font(11);
    return font;
}

// The room above a column of lines centred in a row, as a box layout between
// two equal stretches gives it: the odd pixel above.
int centred(int spare) { return (spare + 1) / 2; }

int lineHeight(const QFont& font) { return QFontMetrics(font).height(); }

int contentX() { return kStatusBar + kSpacing + kTimeColumn + kSpacing; }

int contentWidth(int width)
{
    return std::max(0, width - contentX() - kBeforeButtons - kSpacing - kLaunch - kSpacing - kMenu - kTrailingInset);
}

int titleRowHeight(bool running)
{
    const int text = std::max(lineHeight(titleFont()), kSymbolSize);
    return running ? std::max(text, OnAirBadge::sizeFor(true).height()) : text;
}

// One line drawn as a label draws it: cut at the right, centred vertically.
void drawLine(QPainter& p, const QRect& rect, const QFont& font, const QColor& color, const QString& text)
{
    p.setFont(font);
    p.setPen(color);
    p.drawText(rect, int(Qt::AlignLeft | Qt::AlignVCenter),
               QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width()));
}

} // namespace

ScheduleRowDelegate::ScheduleRowDelegate(const ScheduleEventModel& model, QAbstractItemView& view)
    : QAbstractItemDelegate(&view)
    , model_(model)
    , view_(view)
{
    // A row's height may change at each refresh (its status, its texts).
    connect(&model_, &ScheduleEventModel::rowsWorkedOutAfresh, this, [this] { corrected_.clear(); });
}

QStringList ScheduleRowDelegate::detailLines(const QString& detail, int width)
{
    const QFontMetrics fm(detailFont());
    const QString separator = QStringLiteral(" · ");
    if (fm.horizontalAdvance(detail) <= width)
        return { detail };
    for (qsizetype at = detail.lastIndexOf(separator); at > 0; at = detail.lastIndexOf(separator, at - 1)) {
        const QString first = detail.left(at + separator.size()).trimmed();
        if (fm.horizontalAdvance(first) <= width)
            return { first, fm.elidedText(detail.mid(at + separator.size()).trimmed(), Qt::ElideRight, width) };
    }
    return { fm.elidedText(detail, Qt::ElideRight, width) };
}

int ScheduleRowDelegate::height(const ScheduleRow::Shown& row, int width)
{
    const int lines = int(detailLines(row.detail, contentWidth(width)).size());
    const int time = lineHeight(timeFont()) + kLineSpacing + lineHeight(captionFont());
    const int content = titleRowHeight(row.content.status == ScheduleRow::Status::running) + kLineSpacing
        + lineHeight(detailFont()) * lines;
    return std::max({ kMinimumHeight, time, content, kLaunch });
}

ScheduleRowDelegate::Geometry ScheduleRowDelegate::geometry(const ScheduleRow::Shown& row, const QRect& rect)
{
    Geometry g;
    const int x = rect.x();
    const int h = rect.height();
    const int top = rect.y();
    g.statusBar = QRect(x, top, kStatusBar, h);

    const int timeHeight = lineHeight(timeFont());
    const int captionHeight = lineHeight(captionFont());
    const int timeTop = top + centred(h - timeHeight - kLineSpacing - captionHeight);
    const int timeX = x + kStatusBar + kSpacing;
    g.time = QRect(timeX, timeTop, kTimeColumn, timeHeight);
    g.caption = QRect(timeX, timeTop + timeHeight + kLineSpacing, kTimeColumn, captionHeight);

    const int cx = x + contentX();
    const int cw = contentWidth(rect.width());
    g.detailLines = detailLines(row.detail, cw);
    const bool running = row.content.status == ScheduleRow::Status::running;
    const int titleRow = titleRowHeight(running);
    const int detailHeight = lineHeight(detailFont()) * int(g.detailLines.size());
    const int contentTop = top + centred(h - titleRow - kLineSpacing - detailHeight);
    int titleX = cx;
    if (running) {
        const QSize badge = OnAirBadge::sizeFor(true);
        g.badge = QRect(QPoint(titleX, contentTop + (titleRow - badge.height()) / 2), badge);
        titleX += badge.width() + kTitleSpacing;
    }
    g.symbol = QRect(titleX, contentTop + (titleRow - kSymbolSize) / 2, kSymbolSize, kSymbolSize);
    titleX += kSymbolSize + kTitleSpacing;
    const int titleHeight = lineHeight(titleFont());
    g.title = QRect(titleX, contentTop + (titleRow - titleHeight) / 2, std::max(0, cx + cw - titleX), titleHeight);
    g.detail = QRect(cx, contentTop + titleRow + kLineSpacing, cw, detailHeight);

    const int launchX = cx + cw + kBeforeButtons + kSpacing;
    g.launch = QRect(launchX, top + (h - kLaunch) / 2, kLaunch, kLaunch);
    g.menu = QRect(launchX + kLaunch + kSpacing, top + (h - kMenu) / 2, kMenu, kMenu);
    return g;
}

ScheduleRowDelegate::Button ScheduleRowDelegate::buttonAt(const ScheduleRow::Shown& row, const QRect& rect,
                                                          const QPoint& point)
{
    const Geometry g = geometry(row, rect);
    if (g.launch.contains(point))
        return Button::launch;
    if (g.menu.contains(point))
        return Button::menu;
    return Button::none;
}

QString ScheduleRowDelegate::helpAt(const ScheduleRow::Shown& row, const QRect& rect, const QPoint& point)
{
    const Geometry g = geometry(row, rect);
    if (g.launch.contains(point))
        return ScheduleRow::tr("Manda in onda adesso");
    // The bar is three points wide: its help answers up to the time column.
    if (QRect(g.statusBar.topLeft(), QPoint(g.time.left() - 1, g.statusBar.bottom())).contains(point))
        return ScheduleRow::label(row.content.status);
    return {};
}

bool ScheduleRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                    const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip)
        return QAbstractItemDelegate::helpEvent(event, view, option, index);
    const QString help = index.isValid() && index.row() < model_.rowCount()
        ? helpAt(model_.row(index.row()), option.rect, event->pos())
        : QString();
    if (help.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    QToolTip::showText(event->globalPos(), help, view->viewport(), option.rect);
    return true;
}

void ScheduleRowDelegate::setHovered(const QPersistentModelIndex& index, Button button)
{
    if (index == hovered_ && button == hoveredButton_)
        return;
    if (hovered_.isValid())
        view_.update(hovered_);
    hovered_ = index;
    hoveredButton_ = button;
    if (hovered_.isValid())
        view_.update(hovered_);
}

void ScheduleRowDelegate::setPressed(const QPersistentModelIndex& index, Button button)
{
    if (index == pressed_ && button == pressedButton_)
        return;
    if (pressed_.isValid())
        view_.update(pressed_);
    pressed_ = index;
    pressedButton_ = button;
    if (pressed_.isValid())
        view_.update(pressed_);
}

QSize ScheduleRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const int width = view_.viewport()->width();
    const QUuid id = model_.idAt(index.row());
    const bool cached = unkept_.isEmpty() || !unkept_.contains(id);
    if (cached && width == heightsWidth_) {
        const auto kept = heights_.constFind(id);
        if (kept != heights_.constEnd())
            return { width, *kept };
    }
    const int h = height(model_.row(index.row()), width);
    if (cached)
        rememberHeight(index, width, h);
    return { width, h };
}

void ScheduleRowDelegate::rememberHeight(const QModelIndex& index, int width, int height) const
{
    if (width != heightsWidth_ || heights_.size() > 2 * std::max(model_.rowCount(), 64)) {
        heights_.clear(); // another width, or mostly events that are gone
        corrected_.clear();
        heightsWidth_ = width;
    }
    heights_.insert(model_.idAt(index.row()), height);
}

void ScheduleRowDelegate::paintButton(QPainter& p, const QRect& rect, const QString& symbol, bool enabled, int glyph,
                                      const QColor& color, double fill) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(enabled ? 1.0 : 0.35);
    if (enabled && fill > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::white(fill));
        p.drawRoundedRect(QRectF(rect), 6, 6);
    }
    const QPixmap pm = Icons::pixmap(symbol, color, glyph, view_.devicePixelRatioF());
    p.drawPixmap(QRect(rect.x() + (rect.width() - glyph) / 2, rect.y() + (rect.height() - glyph) / 2, glyph, glyph),
                 pm);
    p.restore();
}

void ScheduleRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QPainter& p = *painter;
    const ScheduleRow::Shown& row = model_.row(index.row());
    const ScheduleRow::Content& content = row.content;
    const QRect rect = option.rect;
    // A row whose lines changed since the list was laid out asks for its
    // height again, after this paint.
    if (const int h = height(row, rect.width()); h != rect.height()) {
        // Corrected once between two refreshes, an event's height is kept
        // again; corrected twice (two rows of one id with other heights
        // would correct each other without end), it is worked out afresh
        // at every layout instead.
        const QUuid id = model_.idAt(index.row());
        if (corrected_.contains(id)) {
            unkept_.insert(id);
            heights_.remove(id);
        } else {
            corrected_.insert(id);
            rememberHeight(index, rect.width(), h);
        }
        QMetaObject::invokeMethod(
            const_cast<ScheduleRowDelegate*>(this),
            [self = const_cast<ScheduleRowDelegate*>(this), at = QPersistentModelIndex(index)] {
                if (at.isValid())
                    emit self->sizeHintChanged(at);
            },
            Qt::QueuedConnection);
    }
    const Geometry g = geometry(row, rect);
    const bool running = content.status == ScheduleRow::Status::running;

    p.save();
    p.fillRect(rect, content.background.isValid() ? content.background : Theme::panel());
    if (running)
        p.fillRect(rect, Theme::onAirRowFill(QRectF(rect)));
    p.fillRect(g.statusBar, ScheduleRow::color(content.status));

    const bool disabled = content.status == ScheduleRow::Status::disabled;
    drawLine(p, g.time, timeFont(), disabled ? Theme::textTertiary() : Theme::textPrimary(), row.time);
    drawLine(p, g.caption, captionFont(), Theme::textSecondary(), row.caption);
    if (running)
        OnAirBadge::paint(p, QRectF(g.badge), true);
    const QColor symbolColor = content.event.media && content.event.media->isLive() ? Theme::live()
                                                                                     : Theme::textSecondary();
    p.drawPixmap(g.symbol, Icons::pixmap(ScheduleRow::contentSymbol(content.event), symbolColor, kSymbolSize,
                                         view_.devicePixelRatioF()));
    drawLine(p, g.title, titleFont(),
             !content.block ? Theme::meterHigh() : disabled ? Theme::textTertiary() : Theme::textPrimary(),
             row.title);
    p.setFont(detailFont());
    p.setPen(Theme::textSecondary());
    if (g.detailLines.size() == 1) {
        p.drawText(g.detail, int(Qt::AlignLeft | Qt::AlignVCenter), g.detailLines.front());
    } else {
        const int line = lineHeight(detailFont());
        for (int i = 0; i < g.detailLines.size(); ++i)
            p.drawText(QRect(g.detail.x(), g.detail.y() + i * line, g.detail.width(), line),
                       int(Qt::AlignLeft | Qt::AlignVCenter), g.detailLines[i]);
    }

    const bool isHovered = QPersistentModelIndex(index) == hovered_;
    const bool isPressed = QPersistentModelIndex(index) == pressed_;
    const auto fill = [&](Button button) {
        if (isPressed && pressedButton_ == button)
            return 0.18;
        return isHovered && hoveredButton_ == button ? 0.1 : 0.0;
    };
    paintButton(p, g.launch, QStringLiteral("play.fill"), content.block != nullptr, 14,
                view_.palette().color(QPalette::Active, QPalette::ButtonText), fill(Button::launch));
    paintButton(p, g.menu, QStringLiteral("ellipsis"), true, 16, Theme::textSecondary(), 0.0);

    if ((option.state & QStyle::State_HasFocus) && view_.hasFocus()
        && view_.window()->testAttribute(Qt::WA_KeyboardFocusChange))
        paintFocusRing(p, QRectF(rect).adjusted(1.5, 1.5, -1.5, -1.5), 4);
    p.restore();
}

} // namespace tessarin

#include "ui/kit/Labels.h"

#include <QFocusEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessarin {

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

ElidedLabel::ElidedLabel(const QString& text, Qt::TextElideMode mode, QWidget* parent)
    : QWidget(parent)
    , text_(text)
    , mode_(mode)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void ElidedLabel::setText(const QString& text)
{
    if (text_ == text)
        return;
    // A new text of the same width (a running timecode) needs no new layout.
    const QSize hint = sizeHint();
    text_ = text;
    setAccessibleName(text);
    shownLines_ = lineCount();
    if (sizeHint() != hint)
        updateGeometry();
    update();
}

void ElidedLabel::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void ElidedLabel::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    update();
}

QSize ElidedLabel::sizeHint() const
{
    const QFont f = font();
    const QFontMetrics fm(f);
    if (hintWidth_ < 0 || hintText_ != text_ || hintFont_ != f) {
        // One line is measured by the shaping its paint then draws, when
        // the whole text fits (a name, a timecode): shaped once, not twice.
        if (separator_.isEmpty()) {
            line_.set(text_, f, std::numeric_limits<int>::max(), mode_);
            hintWidth_ = line_.advance() + 1;
        } else {
            hintWidth_ = fm.horizontalAdvance(text_) + 1;
        }
        hintText_ = text_;
        hintFont_ = f;
    }
    return { hintWidth_, fm.height() * shownLines_ };
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QFontMetrics fm(font());
    return { std::min(fm.horizontalAdvance(QStringLiteral("…")) * 3, sizeHint().width()), fm.height() * shownLines_ };
}

void ElidedLabel::setSecondLineAfter(const QString& separator)
{
    separator_ = separator;
    followLines();
    updateGeometry();
    update();
}

QStringList ElidedLabel::linesFor(int width) const
{
    const QFontMetrics fm(drawingFont());
    if (separator_.isEmpty() || fm.horizontalAdvance(text_) <= width)
        return { fm.elidedText(text_, mode_, width) };
    for (qsizetype at = text_.lastIndexOf(separator_); at > 0; at = text_.lastIndexOf(separator_, at - 1)) {
        const QString first = text_.left(at + separator_.size()).trimmed();
        if (fm.horizontalAdvance(first) <= width)
            return { first, fm.elidedText(text_.mid(at + separator_.size()).trimmed(), mode_, width) };
    }
    return { fm.elidedText(text_, mode_, width) };
}

QString ElidedLabel::shownText() const { return linesFor(width()).join(QLatin1Char('\n')); }

int ElidedLabel::lineCount() const { return separator_.isEmpty() ? 1 : int(linesFor(width()).size()); }

void ElidedLabel::followLines()
{
    const int lines = lineCount();
    if (lines == shownLines_)
        return;
    shownLines_ = lines;
    updateGeometry();
}

void ElidedLabel::resizeEvent(QResizeEvent*) { followLines(); }

void ElidedLabel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        followLines();
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFont f = drawingFont();
    p.setFont(f);
    p.setPen(color_.isValid() ? color_ : palette().color(QPalette::WindowText));
    if (separator_.isEmpty()) {
        line_.set(text_, f, width(), mode_);
        return line_.draw(p, rect(), alignment_);
    }
    const QStringList lines = linesFor(width());
    if (lines.size() == 1)
        return p.drawText(rect(), int(alignment_), lines.front());
    const int lineHeight = QFontMetrics(f).height();
    const int top = (height() - lineHeight * int(lines.size())) / 2;
    for (int i = 0; i < lines.size(); ++i)
        p.drawText(QRect(0, top + i * lineHeight, width(), lineHeight),
                   int((alignment_ & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter), lines[i]);
}

FitLabel::FitLabel(const QString& text, double minimumScaleFactor, QWidget* parent)
    : ElidedLabel(text, Qt::ElideRight, parent)
    , minimumScaleFactor_(std::clamp(minimumScaleFactor, 0.1, 1.0))
{
}

QFont FitLabel::drawingFont() const
{
    QFont f = font();
    // Measured by shaping the whole text, kept: when it fits, the paint
    // draws that shaping (a running timecode is shaped once a second, not
    // measured and then shaped).
    line_.set(text_, f, std::numeric_limits<int>::max(), mode_);
    const int full = line_.width();
    if (full <= width() || full == 0)
        return f;
    const double scale = std::max(minimumScaleFactor_, double(width()) / full);
    const int basePixels = f.pixelSize() > 0 ? f.pixelSize() : QFontMetrics(f).height();
    f.setPixelSize(std::max(1, int(std::floor(basePixels * scale))));
    return f;
}

ElidingLineEdit::ElidingLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
}

QRect ElidingLineEdit::textRect() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    // The contents less the field's own margins (2 across, 1 down, as the
    // line edit lays its text).
    return style()->subElementRect(QStyle::SE_LineEditContents, &option, this)
        .marginsRemoved(textMargins())
        .adjusted(2, 1, -2, -1);
}

QString ElidingLineEdit::shownText() const
{
    if (hasFocus() || echoMode() != QLineEdit::Normal)
        return text();
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRect().width());
}

void ElidingLineEdit::paintEvent(QPaintEvent* event)
{
    const QString shown = shownText();
    if (shown == text())
        return QLineEdit::paintEvent(event);
    QPainter p(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
    p.setFont(font());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(textRect(), int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::AlignVCenter, shown);
}

void ElidingLineEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Back to the start, so the field reads from the first letter (not for
    // its own context menu, after which editing goes on).
    if (event->reason() != Qt::PopupFocusReason)
        setCursorPosition(0);
}

BalancedLinesLabel::BalancedLinesLabel(const QString& text, QWidget* parent)
    : QWidget(parent)
    , text_(text)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

void BalancedLinesLabel::setColor(const QColor& color)
{
    color_ = color;
    update();
}

QFont BalancedLinesLabel::fontFor(int width) const
{
    const QStringList given = text_.split(QLatin1Char('\n'));
    const auto fits = [&](const QFont& font) {
        const QFontMetrics fm(font);
        return std::all_of(given.begin(), given.end(),
                           [&](const QString& line) { return fm.horizontalAdvance(line) <= width; });
    };
    QFont shrunk = font();
    const int size = shrunk.pixelSize();
    if (size <= 0 || fits(shrunk))
        return shrunk;
    const int smallest = std::max(1, int(std::ceil(size * kMinimumScaleFactor)));
    for (int smaller = size - 1; smaller >= smallest; --smaller) {
        shrunk.setPixelSize(smaller);
        if (fits(shrunk))
            return shrunk;
    }
    return font();
}

QStringList BalancedLinesLabel::linesFor(int width) const
{
    const QFontMetrics fm(fontFor(width));
    QStringList result;
    for (const QString& line : text_.split(QLatin1Char('\n'))) {
        const int full = fm.horizontalAdvance(line);
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (full <= width || words.size() < 2) {
            result << line;
            continue;
        }
        // The fewest pieces of about equal width that each fit, never more
        // pieces than there are pairs of words.
        const int most = std::max<int>(1, int(words.size()) / 2);
        QStringList best;
        for (int pieces = 2; pieces <= most + 1 && best.isEmpty(); ++pieces) {
            const double target = double(full) / pieces;
            QStringList split;
            QString current;
            for (const QString& word : words) {
                const QString next = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
                if (!current.isEmpty() && fm.horizontalAdvance(next) > target + fm.averageCharWidth() * 2
                    && int(split.size()) < pieces - 1) {
                    split << current;
                    current = word;
                } else {
                    current = next;
                }
            }
            split << current;
            const bool fits = std::all_of(split.begin(), split.end(),
                                          [&](const QString& piece) { return fm.horizontalAdvance(piece) <= width; });
            const bool noLoneWord = std::none_of(split.begin(), split.end(),
                                                 [](const QString& piece) { return !piece.contains(QLatin1Char(' ')); });
            if (fits && noLoneWord)
                best = split;
            else if (pieces == most + 1)
                best = split;
        }
        result << best;
    }
    return result;
}

QSize BalancedLinesLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    int width = 0;
    for (const QString& line : text_.split(QLatin1Char('\n')))
        width = std::max(width, fm.horizontalAdvance(line));
    return { width, heightForWidth(width) };
}

QSize BalancedLinesLabel::minimumSizeHint() const { return { 40, QFontMetrics(font()).height() }; }

int BalancedLinesLabel::heightForWidth(int width) const
{
    return QFontMetrics(fontFor(width)).lineSpacing() * int(linesFor(width).size());
}

void BalancedLinesLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFont drawn = shownFont();
    p.setFont(drawn);
    p.setPen(color_.isValid() ? color_ : palette().color(QPalette::WindowText));
    const QStringList lines = shownLines();
    const int lineHeight = QFontMetrics(drawn).lineSpacing();
    const int top = (height() - lineHeight * int(lines.size())) / 2;
    for (int i = 0; i < lines.size(); ++i)
        p.drawText(QRect(0, top + i * lineHeight, width(), lineHeight), Qt::AlignHCenter | Qt::AlignVCenter, lines[i]);
}

} // namespace tessarin

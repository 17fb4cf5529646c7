#include "ui/kit/Controls.h"

#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/RowEvents.h"
#include "ui/kit/RowsInViewAccessibility.h"
#include "ui/kit/Theme.h"

#include <QEvent>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QScopedValueRollback>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessarin {

// ---- SegmentedControl

namespace {

class Segment : public QAbstractButton {
public:
    Segment(const QString& text, const QString& symbol, QWidget* parent)
        : QAbstractButton(parent)
        , symbol_(symbol)
    {
        setText(text);
        setAccessibleName(text);
        setCheckable(true);
        setFont(Theme::font(12, QFont::Medium));
        setCursor(Qt::PointingHandCursor);
        useKeyboardFocus(this);
    }
    QSize sizeHint() const override
    {
        const QFontMetrics fm(font());
        const int icon = symbol_.isEmpty() ? 0 : (text().isEmpty() ? 14 : 14 + 5);
        return { fm.horizontalAdvance(text()) + icon + 20, fm.height() + 8 };
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setOpacity(isEnabled() ? 1.0 : 0.4);
        const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
        if (isChecked()) {
            p.setPen(Qt::NoPen);
            p.setBrush(Theme::white(0.16));
            p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        }
        const QColor fg = isChecked() ? Theme::textPrimary() : Theme::textSecondary();
        const QFontMetrics fm(font());
        const int textWidth = fm.horizontalAdvance(text());
        const int icon = symbol_.isEmpty() ? 0 : 14;
        const int gap = (icon && textWidth) ? 5 : 0;
        int x = (width() - (icon + gap + textWidth)) / 2;
        if (icon) {
            p.drawPixmap(QRect(x, (height() - icon) / 2, icon, icon), Icons::pixmap(symbol_, fg, icon, devicePixelRatioF()));
            x += icon + gap;
        }
        p.setPen(fg);
        p.setFont(font());
        p.drawText(QRect(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
        if (showsFocusRing(this))
            paintFocusRing(p, r, r.height() / 2);
    }

private:
    QString symbol_;
};

} // namespace

SegmentedControl::SegmentedControl(QWidget* parent)
    : QWidget(parent)
    , group_(new QButtonGroup(this))
{
    group_->setExclusive(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Whatever checks a segment (a click, a key, a screen reader's action)
    // is the operator's choice; only setCurrentIndex() is not.
    connect(group_, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        if (checked && !settingIndex_)
            emit activated(index);
    });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

int SegmentedControl::addSegment(const QString& text, const QString& symbol)
{
    auto* button = new Segment(text, symbol, this);
    const int index = int(group_->buttons().size());
    // The segments stay together in the Tab order, whatever controls were
    // made between two of them.
    group_->addButton(button, index);
    if (index > 0)
        setGroupTabOrder(group_, group_->button(index - 1), button);
    layout()->addWidget(button);
    tabStopOnChecked(group_);
    return index;
}

int SegmentedControl::count() const { return int(group_->buttons().size()); }
int SegmentedControl::currentIndex() const { return group_->checkedId(); }
QAbstractButton* SegmentedControl::segment(int index) const { return group_->button(index); }

void SegmentedControl::setCurrentIndex(int index)
{
    const QScopedValueRollback setting(settingIndex_, true);
    if (QAbstractButton* b = group_->button(index)) {
        b->setChecked(true);
        return;
    }
    if (QAbstractButton* checked = group_->checkedButton()) {
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(Theme::white(0.1), 1));
    p.setBrush(Theme::white(0.06));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
}

// ---- Stepper

namespace {

// The stepper's value text: it asks for the room of its whole text but can
// be squeezed, and then shows the text shortened at its start, so a tight
// row keeps the arrows and the value at the text's end ("…5 s") in view.
class StepperLabel final : public QLabel {
public:
    explicit StepperLabel(QWidget* parent)
        : QLabel(parent)
    {
    }
    void setFullText(const QString& text)
    {
        full_ = text;
        updateGeometry();
        fit();
    }
    const QString& fullText() const { return full_; }
    QSize sizeHint() const override
    {
        return { widthFor(full_), QLabel::sizeHint().height() };
    }
    // Room for an ellipsis and the text's last number with what follows it
    // ("…15 s"), so the value itself is never cut.
    QSize minimumSizeHint() const override
    {
        return { std::min(widthFor(full_), widthFor(QChar(0x2026) + valueTail())), QLabel::minimumSizeHint().height() };
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        fit();
    }
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange) {
            updateGeometry();
            fit();
        }
    }

private:
    QString valueTail() const
    {
        qsizetype start = full_.size();
        while (start > 0 && !full_.at(start - 1).isDigit())
            --start;
        while (start > 0 && (full_.at(start - 1).isDigit() || full_.at(start - 1) == QLatin1Char('.')
                             || full_.at(start - 1) == QLatin1Char(',')))
            --start;
        return full_.mid(start);
    }

    int widthFor(const QString& text) const
    {
        const QMargins around = contentsMargins();
        // One pixel more than the advance: the ellipsis test rounds.
        return around.left() + around.right() + 2 * margin() + QFontMetrics(font()).horizontalAdvance(text) + 1;
    }

    void fit()
    {
        const int room = std::max(0, contentsRect().width() - 2 * margin());
        const QString shown = QFontMetrics(font()).elidedText(full_, Qt::ElideLeft, room);
        if (shown != text())
            QLabel::setText(shown);
    }

    QString full_;
};

} // namespace

Stepper::Stepper(QWidget* parent)
    : QWidget(parent)
    , label_(new StepperLabel(this))
    , up_(new QToolButton(this))
    , down_(new QToolButton(this))
{
    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    for (auto [button, symbol, name] : { std::tuple { up_, "chevron.up", tr("Aumenta") }, std::tuple { down_, "chevron.down", tr("Diminuisci") } }) {
        button->setIcon(Icons::icon(QString::fromLatin1(symbol), Theme::textPrimary(), 8));
        button->setIconSize(QSize(8, 8));
        button->setFixedSize(16, 11);
        button->setAutoRaise(true);
        button->setAccessibleName(name);
        arrows->addWidget(button);
    }
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(label_);
    layout->addLayout(arrows);
    connect(up_, &QToolButton::clicked, this, &Stepper::incremented);
    connect(down_, &QToolButton::clicked, this, &Stepper::decremented);
}

void Stepper::setText(const QString& text)
{
    static_cast<StepperLabel*>(label_)->setFullText(text);
    // A reader on an arrow hears the value it changes.
    up_->setAccessibleDescription(text);
    down_->setAccessibleDescription(text);
}

void Stepper::setSubject(const QString& subject)
{
    up_->setAccessibleName(subject.isEmpty() ? tr("Aumenta") : tr("Aumenta: %1").arg(subject));
    down_->setAccessibleName(subject.isEmpty() ? tr("Diminuisci") : tr("Diminuisci: %1").arg(subject));
}
QString Stepper::text() const { return static_cast<StepperLabel*>(label_)->fullText(); }
void Stepper::setArrowSize(const QSize& size)
{
    up_->setFixedSize(size);
    down_->setFixedSize(size);
}

void Stepper::setUpEnabled(bool enabled) { up_->setEnabled(enabled); }
void Stepper::setDownEnabled(bool enabled) { down_->setEnabled(enabled); }

// ---- SwitchButton

SwitchButton::SwitchButton(const QString& accessibleName, QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setAccessibleName(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    useKeyboardFocus(this);
}

void SwitchButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.4);
    // A focused switch draws its track inside the ring, apart from it even
    // when the track has the ring's colour.
    const bool ring = showsFocusRing(this);
    const qreal inset = ring ? 3.5 : 1;
    const QRectF track = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? palette().color(QPalette::Highlight) : Theme::white(0.18));
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const qreal d = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - d : track.left() + 2;
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 2, d, d));
    if (ring)
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), (height() - 2) / 2.0);
}

// ---- Scroll bars

namespace {
QString rgba(const QColor& c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF(), 0, 'f', 2);
}
} // namespace

void useThinScrollBars(QAbstractScrollArea& area)
{
    constexpr int kExtent = 8;
    const QString sheet = QStringLiteral(
        "QScrollBar { background: transparent; border: none; margin: 0; }"
        "QScrollBar:vertical { width: %1px; }"
        "QScrollBar:horizontal { height: %1px; }"
        "QScrollBar::handle { background: %2; border-radius: 2px; margin: 2px; }"
        "QScrollBar::handle:hover, QScrollBar::handle:pressed { background: %3; }"
        "QScrollBar::handle:vertical { min-height: 24px; }"
        "QScrollBar::handle:horizontal { min-width: 24px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(kExtent).arg(rgba(Theme::white(0.22)), rgba(Theme::white(0.38)));
    area.verticalScrollBar()->setStyleSheet(sheet);
    area.horizontalScrollBar()->setStyleSheet(sheet);
}

// ---- ElidingComboBox

ElidingComboBox::ElidingComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { setToolTip(currentText()); });
}

QString ElidingComboBox::labelText() const
{
    return currentIndex() < 0 ? placeholderText() : currentText();
}

int ElidingComboBox::labelWidth() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    int width = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width();
    // The style draws an entry's icon in the same field, before its text.
    if (!option.currentIcon.isNull())
        width -= option.iconSize.width() + 4;
    return std::max(width, 0);
}

QString ElidingComboBox::shownText() const
{
    return fontMetrics().elidedText(labelText(), Qt::ElideRight, labelWidth());
}

void ElidingComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0 && !placeholderText().isEmpty())
        option.palette.setBrush(QPalette::ButtonText, option.palette.placeholderText());
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

// ---- PaintedRowList

PaintedRowList::PaintedRowList(QWidget* parent)
    : QListView(parent)
{
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setResizeMode(QListView::Adjust);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    useThinScrollBars(*this);
    useRowsInViewAccessibility(*this);
}

void PaintedRowList::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid()) {
        QListView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    const QRect changed = visualRect(topLeft).united(visualRect(bottomRight)).intersected(viewport()->rect());
    if (!changed.isEmpty())
        viewport()->update(changed);
    if (roles.isEmpty() || roles.contains(Qt::AccessibleTextRole)) {
        for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
            notifyAccessibleRowNameChanged(*this, model()->index(row, topLeft.column(), topLeft.parent()));
    }
}

void PaintedRowList::rowsInserted(const QModelIndex& parent, int first, int last)
{
    QListView::rowsInserted(parent, first, last);
    if (parent == rootIndex())
        notifyRowsInserted(QAccessible::queryAccessibleInterface(this), first, last);
}

void PaintedRowList::rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent == rootIndex())
        notifyRowsAboutToBeRemoved(QAccessible::queryAccessibleInterface(this), first, last);
    QListView::rowsAboutToBeRemoved(parent, first, last);
}

void PaintedRowList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // Not QListView's: it tells screen readers of the row by its place among
    // every row, and the list's children are the rows in view.
    QAbstractItemView::currentChanged(current, previous);
    if (inKey_ && hasFocus() && !window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        window()->setAttribute(Qt::WA_KeyboardFocusChange);
        viewport()->update();
    }
    if (hasFocus())
        notifyAccessibleRowFocus(*this, current);
}

bool PaintedRowList::event(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QListView::event(event);
    const QScopedValueRollback inKey(inKey_, true);
    return QListView::event(event);
}

void PaintedRowList::focusInEvent(QFocusEvent* event)
{
    // Without a current row, the list makes the first one current, and tells.
    const bool hadCurrent = currentIndex().isValid();
    QListView::focusInEvent(event);
    if (hadCurrent)
        notifyAccessibleRowFocus(*this, currentIndex());
}

QModelIndex contextMenuRow(QListView& view, const QContextMenuEvent& event)
{
    if (event.reason() == QContextMenuEvent::Mouse)
        return view.indexAt(event.pos());
    QModelIndex index = view.currentIndex();
    if (!index.isValid() && view.model() && view.model()->rowCount(view.rootIndex()) > 0) {
        index = view.model()->index(0, view.modelColumn(), view.rootIndex());
        view.setCurrentIndex(index);
    }
    return index;
}

} // namespace tessarin

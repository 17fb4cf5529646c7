#include "app/SidePanelView.h"

#include "automation/ScheduleController.h"
#include "platform/Icons.h"
#include "platform/Settings.h"
#include "ui/kit/Accessibility.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/PlaylistColumnView.h"
#include "ui/schedule/ScheduleColumnView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace tessarin {
namespace {
constexpr int kIcon = 12;
constexpr int kGap = 6;
constexpr int kDot = 7;
constexpr int kPadX = 12;
constexpr int kPadY = 5;
} // namespace

SidePanelTabButton::SidePanelTabButton(const QString& title, const QString& icon, QWidget* parent)
    : QAbstractButton(parent)
    , icon_(icon)
{
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    useKeyboardFocus(this);
    setAccessibleTabSelected(this, false); // readers hear which tab is current
}

void SidePanelTabButton::setSelected(bool selected)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    setAccessibleTabSelected(this, selected);
    update();
}

void SidePanelTabButton::setArmed(bool armed)
{
    if (armed_ == armed)
        return;
    armed_ = armed;
    if (!dotReserved_)
        updateGeometry();
    update();
}

QFont SidePanelTabButton::labelFont() const
{
    return labelFont(selected_);
}

QFont SidePanelTabButton::labelFont(bool selected)
{
    return Theme::font(12, selected ? QFont::DemiBold : QFont::Medium);
}

void SidePanelTabButton::setDotReserved(bool reserved)
{
    if (dotReserved_ == reserved)
        return;
    dotReserved_ = reserved;
    updateGeometry();
}

QSize SidePanelTabButton::sizeHint() const
{
    // The same size selected or not, armed or not: the widest (semibold)
    // title, and the dot's room for a tab that can show it, so nothing in
    // the tab bar moves.
    const QFontMetrics bold(labelFont(true));
    const QFontMetrics plain(labelFont(false));
    int w = kIcon + kGap + std::max(bold.horizontalAdvance(text()), plain.horizontalAdvance(text()));
    if (dotReserved_ || armed_)
        w += kGap + kDot;
    return { w + 2 * kPadX, std::max({ bold.height(), plain.height(), kIcon }) + 2 * kPadY };
}

void SidePanelTabButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(rect());
    if (selected_) {
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::white(0.12));
        p.drawRoundedRect(all, all.height() / 2, all.height() / 2);
    }
    const QColor color = selected_ ? Theme::textPrimary() : Theme::textSecondary();
    const QFont f = labelFont();
    const QFontMetrics fm(f);
    double x = kPadX;
    const double cy = all.center().y();
    p.drawPixmap(QPointF(x, cy - kIcon / 2.0), Icons::pixmap(icon_, color, kIcon, devicePixelRatioF()));
    x += kIcon + kGap;
    p.setFont(f);
    p.setPen(color);
    const int textWidth = fm.horizontalAdvance(text());
    p.drawText(QRectF(x, 0, textWidth + 1, all.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    x += textWidth + kGap;
    if (armed_) {
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::meterLow());
        p.drawEllipse(QRectF(x, cy - kDot / 2.0, kDot, kDot));
    }
    if (showsFocusRing(this))
        paintFocusRing(p, all.adjusted(1, 1, -1, -1), (all.height() - 2) / 2);
}

QString SidePanelView::rawValue(Tab tab)
{
    return tab == Tab::schedule ? QStringLiteral("schedule") : QStringLiteral("blocks");
}

SidePanelView::Tab SidePanelView::tabFromRaw(const QString& raw)
{
    return raw == QLatin1String("schedule") ? Tab::schedule : Tab::blocks;
}

SidePanelView::SidePanelView(PlaylistEngine& engine, ScheduleController& schedule, SourceLibrary& sources,
                             const BrowserFiles& browserFiles, Settings& settings, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , schedule_(schedule)
    , sources_(sources)
    , browserFiles_(browserFiles)
    , settings_(settings)
    , blocksButton_(new SidePanelTabButton(tr("Blocchi"), QStringLiteral("square.stack.3d.up")))
    , scheduleButton_(new SidePanelTabButton(tr("Palinsesto"), QStringLiteral("calendar.badge.clock")))
{
    setMinimumWidth(kMinimumWidth);
    setMaximumWidth(kMaximumWidth);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setHelp(blocksButton_, tr("Blocchi"));
    scheduleButton_->setDotReserved(true);

    auto* tabBar = new QWidget(this);
    auto* tabRow = new QHBoxLayout(tabBar);
    tabRow->setContentsMargins(8, 8, 8, 6);
    tabRow->setSpacing(4);
    tabRow->addWidget(blocksButton_);
    tabRow->addWidget(scheduleButton_);
    tabRow->addStretch(1);

    separator_ = new QWidget(this);
    separator_->setFixedHeight(1);

    stack_ = new QVBoxLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->setSpacing(0);
    stack_->addWidget(tabBar);
    stack_->addWidget(separator_);

    connect(blocksButton_, &QAbstractButton::clicked, this, [this] { select(Tab::blocks); });
    connect(scheduleButton_, &QAbstractButton::clicked, this, [this] { select(Tab::schedule); });
    connect(&settings_, &Settings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(kTabKey))
            showColumn();
    });
    connect(&schedule_, &ScheduleController::isArmedChanged, this, &SidePanelView::followArmed);
    followArmed();
    showColumn();
}

SidePanelView::Tab SidePanelView::selectedTab() const
{
    return tabFromRaw(settings_.stringValue(QLatin1String(kTabKey)).value_or(QString()));
}

void SidePanelView::select(Tab tab)
{
    settings_.setString(QLatin1String(kTabKey), rawValue(tab));
    showColumn();
}

void SidePanelView::showColumn()
{
    const Tab tab = selectedTab();
    blocksButton_->setSelected(tab == Tab::blocks);
    scheduleButton_->setSelected(tab == Tab::schedule);
    if (shown_ == tab)
        return;
    shown_ = tab;
    delete column_;
    if (tab == Tab::blocks)
        column_ = new PlaylistColumnView(engine_, this);
    else
        column_ = new ScheduleColumnView(schedule_, engine_, sources_, browserFiles_, this);
    stack_->addWidget(column_, 1);
}

void SidePanelView::followArmed()
{
    const bool armed = schedule_.isArmed();
    scheduleButton_->setArmed(armed);
    setHelp(scheduleButton_, armed ? tr("Automazione del palinsesto attiva") : tr("Palinsesto"));
}

QSize SidePanelView::sizeHint() const
{
    return { maximumWidth(), QWidget::sizeHint().height() };
}

void SidePanelView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::panel());
    p.fillRect(separator_->geometry(), Theme::panelBorder());
}

} // namespace tessarin

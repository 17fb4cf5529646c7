#include "ui/settings/SettingsView.h"

#include "platform/Icons.h"
#include "platform/Settings.h"
#include "ui/kit/Accessibility.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Theme.h"
#include "ui/settings/AtemSettingsView.h"
#include "ui/settings/LanguageSettingsView.h"
#include "ui/settings/OutputSettingsView.h"
#include "ui/settings/ScheduleSettingsView.h"
#include "ui/settings/ShortcutsSettingsView.h"
#include "ui/settings/StreamSettingsView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tessarin {
namespace {

constexpr int kRowPadX = 10;
constexpr int kRowPadY = 7;
constexpr int kSymbolFrame = 18;
constexpr int kRowSpacing = 10;

void fill(QWidget* widget, const QColor& color)
{
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, color);
    widget->setPalette(p);
}

} // namespace

// ---- SettingsSidebarRow

SettingsSidebarRow::SettingsSidebarRow(SettingsSection section, QWidget* parent)
    : QAbstractButton(parent)
    , section_(section)
{
    setAccessibleTabSelected(this, false); // a section tab: readers hear the current one
    setText(settings_section::title(section));
    setAccessibleName(text());
    setCursor(Qt::PointingHandCursor);
    setFont(Theme::font(13));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    useKeyboardFocus(this);
}

void SettingsSidebarRow::setSelected(bool selected)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    setAccessibleTabSelected(this, selected);
    setFont(Theme::font(13, selected ? QFont::DemiBold : QFont::Normal));
    update();
}

QSize SettingsSidebarRow::sizeHint() const
{
    const QFontMetrics fm(Theme::font(13, QFont::DemiBold));
    return { kRowPadX * 2 + kSymbolFrame + kRowSpacing + fm.horizontalAdvance(text()),
             std::max(fm.height(), kSymbolFrame) + 2 * kRowPadY };
}

void SettingsSidebarRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (selected_) {
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::white(0.1));
        p.drawRoundedRect(QRectF(rect()), 7, 7);
    }
    const QColor fg = selected_ ? Theme::textPrimary() : Theme::textSecondary();
    const int glyph = 14;
    const QRect frame(kRowPadX, 0, kSymbolFrame, height());
    const QRect icon(frame.center().x() - glyph / 2 + 1, (height() - glyph) / 2, glyph, glyph);
    p.drawPixmap(icon, Icons::pixmap(settings_section::symbol(section_), fg, glyph, devicePixelRatioF()));
    p.setPen(fg);
    p.setFont(font());
    const int x = frame.right() + 1 + kRowSpacing;
    p.drawText(QRect(x, 0, width() - x - kRowPadX, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (showsFocusRing(this))
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), 7);
}

// ---- SettingsView

SettingsView::SettingsView(const SettingsContext& context, Settings& settings, QWidget* parent)
    : QWidget(parent)
    , context_(context)
    , settings_(settings)
{
    setMinimumSize(700, 480);
    fill(this, Theme::background());
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* sidebar = new QWidget;
    sidebar->setFixedWidth(190);
    fill(sidebar, Theme::panel());
    auto* column = new QVBoxLayout(sidebar);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(2);
    for (SettingsSection section : settings_section::allCases) {
        auto* row = new SettingsSidebarRow(section);
        rows_.append(row);
        column->addWidget(row);
        connect(row, &SettingsSidebarRow::clicked, this, [this, section] {
            settings_.setString(QString::fromLatin1(kSectionKey), settings_section::rawValue(section));
        });
    }
    column->addStretch(1);
    root->addWidget(sidebar);

    auto* rule = new QWidget;
    rule->setFixedWidth(1);
    fill(rule, Theme::panelBorder());
    root->addWidget(rule);

    detail_ = new QScrollArea;
    detail_->setFrameShape(QFrame::NoFrame);
    detail_->setWidgetResizable(true);
    useThinScrollBars(*detail_);
    fill(detail_->viewport(), Theme::background());
    root->addWidget(detail_, 1);

    connect(&settings_, &Settings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(kSectionKey))
            showSelected();
    });
    showSelected();
}

SettingsView::~SettingsView()
{
    // The page leaves the screen before its objects may go.
    if (page_)
        page_->hide();
}

SettingsSection SettingsView::selectedSection() const
{
    const auto raw = settings_.stringValue(QString::fromLatin1(kSectionKey));
    return settings_section::fromRawValue(raw.value_or(QString())).value_or(SettingsSection::streaming);
}

QWidget* SettingsView::makePage(SettingsSection section, const SettingsContext& context, Settings& settings)
{
    switch (section) {
    case SettingsSection::streaming: return new StreamSettingsView(context.streamManager);
    case SettingsSection::output: return new OutputSettingsView(context.outputWindowController, context.engine);
    case SettingsSection::atem: return new AtemSettingsView(context.atem);
    case SettingsSection::shortcuts: return new ShortcutsSettingsView(context.shortcuts, context.engine);
    case SettingsSection::schedule: return new ScheduleSettingsView(context.schedule);
    case SettingsSection::language: return new LanguageSettingsView(settings);
    }
    return nullptr;
}

void SettingsView::showSelected()
{
    const SettingsSection section = selectedSection();
    for (SettingsSidebarRow* row : rows_)
        row->setSelected(row->section() == section);
    if (shown_ == section)
        return;
    shown_ = section;
    if (QWidget* old = detail_->takeWidget()) {
        old->hide();
        delete old;
    }
    auto* holder = new QWidget;
    fill(holder, Theme::background());
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    page_ = makePage(section, context_, settings_);
    // In a row of its own, so its height is asked for at its own width.
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(page_);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    detail_->setWidget(holder);
}

} // namespace tessarin

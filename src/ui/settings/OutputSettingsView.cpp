#include "ui/settings/OutputSettingsView.h"

#include "engine/OutputWindowController.h"
#include "platform/Icons.h"
#include "ui/kit/Theme.h"
#include "ui/settings/PageKit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace tessarin {

OutputSettingsView::OutputSettingsView(OutputWindowController& outputWindowController, PlaylistEngine& playlistEngine,
                                       QWidget* parent)
    : QWidget(parent)
    , controller_(outputWindowController)
    , engine_(playlistEngine)
{
    auto* layout = page_kit::column(this, 12, 320);
    layout->addWidget(page_kit::title(tr("Uscita esterna")));
    empty_ = page_kit::label(
        tr("Nessun secondo monitor rilevato. Collega un monitor, proiettore o LED wall e riapri questo pannello."),
        Theme::font(12), Theme::textSecondary(), true);
    empty_->setMaximumWidth(280);
    layout->addWidget(empty_);
    // Stays when the display it names is gone and the page shows no other.
    interruption_ = page_kit::label({}, Theme::font(12, QFont::Bold), Theme::meterHigh(), true);
    interruption_->setMaximumWidth(280);
    layout->addWidget(interruption_);

    content_ = new QWidget;
    auto* content = new QVBoxLayout(content_);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(12);
    auto* pickers = new QFormLayout;
    pickers->setContentsMargins(0, 0, 0, 0);
    pickers->setSpacing(8);
    displayPicker_ = new QComboBox;
    displayPicker_->setAccessibleName(tr("Monitor"));
    pickers->addRow(page_kit::label(tr("Monitor"), Theme::font(13), Theme::textPrimary()), displayPicker_);
    modePicker_ = new QComboBox;
    modePicker_->setAccessibleName(tr("Risoluzione / Hz"));
    pickers->addRow(page_kit::label(tr("Risoluzione / Hz"), Theme::font(13), Theme::textPrimary()), modePicker_);
    content->addLayout(pickers);
    content->addWidget(page_kit::divider());

    activeLine_ = new QWidget;
    auto* active = new QHBoxLayout(activeLine_);
    active->setContentsMargins(0, 0, 0, 0);
    active->setSpacing(6);
    auto* check = new QLabel;
    check->setPixmap(Icons::pixmap(QStringLiteral("checkmark.circle.fill"), Theme::meterLow(), 13, devicePixelRatioF()));
    active->addWidget(check);
    activeText_ = page_kit::label({}, Theme::font(12), Theme::meterLow(), true);
    active->addWidget(activeText_, 1);
    content->addWidget(activeLine_);

    stop_ = new QPushButton(Icons::icon(QStringLiteral("stop.fill"), Theme::onAir(), 14), tr("Interrompi uscita"));
    start_ = new QPushButton(Icons::icon(QStringLiteral("tv"), Theme::textPrimary(), 14), tr("Avvia uscita fullscreen"));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(stop_);
    buttons->addWidget(start_);
    buttons->addStretch(1);
    content->addLayout(buttons);
    layout->addWidget(content_);

    connect(displayPicker_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < int(displays_.size()))
            select(displays_[size_t(index)]);
    });
    connect(modePicker_, &QComboBox::activated, this, [this](int index) {
        if (index <= 0 || index > int(modes_.size()))
            selectedMode_.reset();
        else
            selectedMode_ = modes_[size_t(index - 1)];
        refresh();
    });
    connect(start_, &QPushButton::clicked, this, &OutputSettingsView::start);
    connect(stop_, &QPushButton::clicked, this, [this] { controller_.stop(); });
    connect(&controller_, &OutputWindowController::changed, this, &OutputSettingsView::refresh);

    // A screen that comes or goes is in the platform's list only once its
    // signal has been handled, so the list is read after it.
    const auto later = [this] {
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                refreshDisplays();
        });
    };
    connect(qGuiApp, &QGuiApplication::screenAdded, this, later);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, later);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, later);
    refresh();
}

void OutputSettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshDisplays();
}

void OutputSettingsView::refreshDisplays()
{
    const DisplayManager& manager = controller_.displayManager();
    displays_ = manager.externalDisplays();
    if (selectedDisplay_) {
        for (const OutputDisplay& display : displays_) {
            if (display == *selectedDisplay_) {
                modes_ = manager.availableModes(display.id);
                refresh();
                return;
            }
        }
    }
    if (displays_.empty()) {
        selectedDisplay_.reset();
        refresh();
        return;
    }
    select(displays_.front());
}

void OutputSettingsView::select(std::optional<OutputDisplay> display)
{
    selectedDisplay_ = std::move(display);
    if (selectedDisplay_) {
        const DisplayManager& manager = controller_.displayManager();
        modes_ = manager.availableModes(selectedDisplay_->id);
        selectedMode_ = manager.currentMode(selectedDisplay_->id);
    } else {
        modes_.clear();
        selectedMode_.reset();
    }
    refresh();
}

void OutputSettingsView::refresh()
{
    const bool none = displays_.empty();
    empty_->setVisible(none);
    content_->setVisible(!none);

    {
        const QSignalBlocker block(displayPicker_);
        displayPicker_->clear();
        int current = -1;
        for (size_t i = 0; i < displays_.size(); ++i) {
            displayPicker_->addItem(displays_[i].name);
            if (selectedDisplay_ && displays_[i] == *selectedDisplay_)
                current = int(i);
        }
        displayPicker_->setCurrentIndex(current);
    }
    {
        const QSignalBlocker block(modePicker_);
        modePicker_->clear();
        modePicker_->addItem(tr("Risoluzione attuale"));
        int current = selectedMode_ ? -1 : 0;
        for (size_t i = 0; i < modes_.size(); ++i) {
            modePicker_->addItem(modes_[i].label());
            if (selectedMode_ && modes_[i] == *selectedMode_)
                current = int(i) + 1;
        }
        modePicker_->setCurrentIndex(current);
        modePicker_->setEnabled(selectedDisplay_.has_value());
    }

    const bool active = controller_.isActive();
    activeLine_->setVisible(active);
    stop_->setVisible(active);
    start_->setVisible(!active);
    start_->setEnabled(selectedDisplay_.has_value());
    const auto interruption = controller_.interruption();
    interruption_->setVisible(!active && interruption.has_value());
    interruption_->setText(interruption.value_or(QString()));
    interruption_->setAccessibleName(interruption_->text());
    activeText_->setText(tr("In uscita su %1 — %2")
                             .arg(controller_.activeDisplayName().value_or(QString()),
                                  controller_.activeModeLabel().value_or(QString())));
}

void OutputSettingsView::start()
{
    if (!selectedDisplay_)
        return;
    controller_.present(*selectedDisplay_, selectedMode_, engine_);
}

} // namespace tessarin

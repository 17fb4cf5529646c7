#include "engine/OutputWindowController.h"

#include "engine/OutputContentView.h"
#include "engine/PlaylistEngine.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QVBoxLayout>
#include <QWindow>

namespace tessarin {

OutputWindowController::OutputWindowController(DisplayManager& displays, Clock& clock, ContentFactory content,
                                               QObject* parent)
    : QObject(parent)
    , displays_(displays)
    , clock_(clock)
    , content_(std::move(content))
{
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &OutputWindowController::applicationWillTerminate);
    // Direct: the platform moves a removed screen's windows to the primary
    // screen right after this signal, and the output must be gone by then.
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &OutputWindowController::followDisplays);
}

OutputWindowController::~OutputWindowController()
{
    closeAndRestore();
}

void OutputWindowController::present(const OutputDisplay& display, const std::optional<DisplayVideoMode>& mode)
{
    stop();
    if (interruption_) {
        interruption_.reset();
        emit changed();
    }
    if (!listed(display.id)) {
        interrupt(tr("Uscita non avviata: %1 non è più collegato.").arg(display.name));
        return;
    }
    display_ = display;
    if (!mode) {
        show(display, mode);
        return;
    }
    originalMode_ = displays_.currentMode(display.id);
    displayID_ = display.id;
    // A refusal is not reported: the window opens all the same.
    displays_.switchMode(display.id, *mode);
    pendingShow_ = clock_.createTimer(
        [this, display, mode] {
            pendingShow_.reset();
            show(display, mode);
        },
        true);
    pendingShow_->start(kModeSettleSeconds);
}

void OutputWindowController::present(const OutputDisplay& display, const std::optional<DisplayVideoMode>& mode,
                                     PlaylistEngine& engine)
{
    QPointer<PlaylistEngine> weakEngine(&engine);
    content_ = [this, weakEngine]() -> QWidget* {
        return weakEngine ? new OutputContentView(*weakEngine, clock_) : nullptr;
    };
    present(display, mode);
}

void OutputWindowController::show(const OutputDisplay& display, const std::optional<DisplayVideoMode>& mode)
{
    // The screen's geometry changes with its mode: take it afresh. A
    // display gone while it settled gets no window: any other screen may be
    // the operator's.
    const auto now = listed(display.id);
    QScreen* screen = now ? now->screen.data() : nullptr;
    if (!screen) {
        interrupt(tr("Uscita interrotta: %1 è stato scollegato.").arg(display.name));
        return;
    }

    auto window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                                         | Qt::WindowTransparentForInput
                                                         | Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setWindowTitle(tr("Uscita di Tessarin"));
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Qt::black);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    if (content_) {
        if (QWidget* content = content_())
            layout->addWidget(content);
    }
    window->setScreen(screen);
    window->setGeometry(screen->geometry());
    window->showFullScreen();
    window_ = std::move(window);

    setIsActive(true);
    setActiveDisplayName(display.name);
    setActiveModeLabel(mode ? mode->label() : tr("Risoluzione attuale"));
}

void OutputWindowController::closeAndRestore()
{
    pendingShow_.reset();
    if (window_) {
        window_->hide();
        window_.reset();
    }
    if (displayID_ && originalMode_)
        displays_.switchMode(*displayID_, *originalMode_);
    displayID_.reset();
    originalMode_.reset();
    display_.reset();
}

std::optional<OutputDisplay> OutputWindowController::listed(quint32 displayId) const
{
    for (const OutputDisplay& display : displays_.allDisplays()) {
        if (display.id == displayId && display.screen)
            return display;
    }
    return std::nullopt;
}

void OutputWindowController::followDisplays(QScreen* removed)
{
    if (!display_)
        return;
    const auto now = listed(display_->id);
    if (!now) {
        interrupt(tr("Uscita interrotta: %1 è stato scollegato.").arg(display_->name));
        return;
    }
    if (operatorWindow_ && operatorWindow_->screen() == removed && QGuiApplication::primaryScreen() == now->screen)
        interrupt(tr("Uscita interrotta: la finestra di Tessarin passa su %1.").arg(display_->name));
}

void OutputWindowController::interrupt(const QString& reason)
{
    stop();
    interruption_ = reason;
    emit changed();
    emit interrupted(reason);
}

void OutputWindowController::stop()
{
    closeAndRestore();
    setIsActive(false);
    setActiveDisplayName(std::nullopt);
    setActiveModeLabel(std::nullopt);
}

void OutputWindowController::setIsActive(bool value)
{
    isActive_ = value;
    emit isActiveChanged();
    emit changed();
}

void OutputWindowController::setActiveDisplayName(std::optional<QString> value)
{
    activeDisplayName_ = std::move(value);
    emit activeDisplayNameChanged();
    emit changed();
}

void OutputWindowController::setActiveModeLabel(std::optional<QString> value)
{
    activeModeLabel_ = std::move(value);
    emit activeModeLabelChanged();
    emit changed();
}

} // namespace tessarin

#include "app/MainWindowFrame.h"

#include "platform/Settings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tessarin {

namespace {

std::vector<PlacementScreen> currentScreens()
{
    std::vector<PlacementScreen> list;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        list.push_back({ primary->name(), primary->availableGeometry() });
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            list.push_back({ screen->name(), screen->availableGeometry() });
    }
    return list;
}

} // namespace

MainWindowFrame::MainWindowFrame(QWidget& window, Settings& settings, const WindowSizes& sizes)
    : QObject(&window)
    , window_(window)
    , settings_(settings)
{
    kept_ = read(settings_);
    const WindowFrame frame = placeWindow(currentScreens(), kept_, sizes);
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == frame.screen) {
            window_.setScreen(screen);
            break;
        }
    }
    window_.resize(frame.size);
    window_.move(frame.position);
    if (frame.maximized)
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
    kept_ = frame;
    window_.installEventFilter(this);
}

std::optional<WindowFrame> MainWindowFrame::read(const Settings& settings)
{
    const auto geometry = settings.stringValue(QString::fromLatin1(kGeometryKey));
    if (!geometry)
        return std::nullopt;
    const QStringList parts = geometry->split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return WindowFrame { settings.stringValue(QString::fromLatin1(kScreenKey)).value_or(QString()),
                         QPoint(values[0], values[1]), QSize(values[2], values[3]),
                         settings.boolValue(QString::fromLatin1(kMaximizedKey)).value_or(false) };
}

void MainWindowFrame::write(Settings& settings, const WindowFrame& frame)
{
    settings.setString(QString::fromLatin1(kScreenKey), frame.screen);
    settings.setString(QString::fromLatin1(kGeometryKey), QStringLiteral("%1,%2,%3,%4")
                                                              .arg(frame.position.x())
                                                              .arg(frame.position.y())
                                                              .arg(frame.size.width())
                                                              .arg(frame.size.height()));
    settings.setBool(QString::fromLatin1(kMaximizedKey), frame.maximized);
}

bool MainWindowFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &window_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (window_.isVisible())
                keep();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void MainWindowFrame::keep()
{
    const Qt::WindowStates state = window_.windowState();
    // Minimised or full screen: nothing the next start should open as.
    if (state & (Qt::WindowMinimized | Qt::WindowFullScreen))
        return;
    WindowFrame frame = kept_.value_or(WindowFrame {});
    frame.maximized = state & Qt::WindowMaximized;
    // A maximised window keeps the place and size it goes back to.
    if (!frame.maximized) {
        frame.position = window_.pos();
        frame.size = window_.size();
    }
    if (const QScreen* screen = window_.screen())
        frame.screen = screen->name();
    if (kept_ && *kept_ == frame)
        return;
    kept_ = frame;
    write(settings_, frame);
}

} // namespace tessarin

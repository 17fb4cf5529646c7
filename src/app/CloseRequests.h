#pragma once
// The window system's request to close the main window (its title bar's
// button, a window list, a session ending) always reaches the window's own
// close rule, unless a modal window is shown over it. Qt drops such a
// request for a window it counts as blocked by a modal window, and that
// count has been seen to outlast every shown modal window: the request was
// lost and the program stayed running with nothing on screen asking for an
// answer. Each request is also logged when it is refused. X11 only; other
// platforms keep Qt's own handling. Main thread.
#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>

namespace tessarin {

class CloseRequests final : public QAbstractNativeEventFilter {
public:
    // The atoms WM_PROTOCOLS and WM_DELETE_WINDOW of the display.
    CloseRequests(QWidget& window, std::uint32_t wmProtocols, std::uint32_t wmDeleteWindow);

    // A filter for window installed on the application when it runs on X11
    // (none otherwise); it takes itself off when destroyed.
    static std::unique_ptr<CloseRequests> install(QWidget& window);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QPointer<QWidget> window_;
    const std::uint32_t wmProtocols_;
    const std::uint32_t wmDeleteWindow_;
};

} // namespace tessarin

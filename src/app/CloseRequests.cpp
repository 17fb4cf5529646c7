#include "app/CloseRequests.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <cstdio>

#include <xcb/xproto.h>

// After Qt's headers: Xlib's macros clash with their names.
#include <X11/Xlib.h>

namespace tessarin {

CloseRequests::CloseRequests(QWidget& window, std::uint32_t wmProtocols, std::uint32_t wmDeleteWindow)
    : window_(&window)
    , wmProtocols_(wmProtocols)
    , wmDeleteWindow_(wmDeleteWindow)
{
}

std::unique_ptr<CloseRequests> CloseRequests::install(QWidget& window)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return nullptr;
    const auto protocols = static_cast<std::uint32_t>(XInternAtom(display, "WM_PROTOCOLS", False));
    const auto deleteWindow = static_cast<std::uint32_t>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    auto filter = std::make_unique<CloseRequests>(window, protocols, deleteWindow);
    QCoreApplication::instance()->installNativeEventFilter(filter.get());
    return filter;
}

bool CloseRequests::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || !message || !window_)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->format != 32 || client->type != wmProtocols_ || client->data.data32[0] != wmDeleteWindow_)
        return false;
    const QWindow* handle = window_->windowHandle();
    if (!handle || client->window != handle->winId())
        return false;
    // A modal window on screen keeps the request from the window it blocks,
    // as everywhere: it has to be answered first.
    if (const QWindow* modal = QGuiApplication::modalWindow(); modal && modal->isVisible()) {
        std::fprintf(stderr, "Close request for the main window while the modal window \"%s\" is open: ignored\n",
                     qPrintable(modal->title()));
        return false;
    }
    // Out of the native event's delivery, as Qt itself delivers the request.
    QMetaObject::invokeMethod(window_, [window = window_] {
        if (window)
            window->close();
    }, Qt::QueuedConnection);
    return true;
}

} // namespace tessarin

#include "platform/Compositing.h"

#include <QByteArray>
#include <QGuiApplication>

// After Qt's headers: Xlib's macros clash with their names.
#include <X11/Xlib.h>

namespace tessarin::Compositing {
namespace {
std::optional<bool> assumed;
} // namespace

bool blendsTranslucentWindows()
{
    if (assumed)
        return *assumed;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return true;
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    return XGetSelectionOwner(display, XInternAtom(display, selection.constData(), False)) != None;
}

void assume(std::optional<bool> blends)
{
    assumed = blends;
}

} // namespace tessarin::Compositing

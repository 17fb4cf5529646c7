#include "platform/XrandrDisplays.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

// Xlib last: its macros (None, Bool, Status...) would clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace tessarin {

namespace {

// X errors (a refused size or mode) must not end the process, which the
// default Xlib handler does. Installed around each request that may fail.
int xErrorCount = 0;

int countError(Display*, XErrorEvent*)
{
    ++xErrorCount;
    return 0;
}

class ErrorTrap {
public:
    explicit ErrorTrap(Display* display)
        : display_(display)
    {
        XSync(display_, False);
        xErrorCount = 0;
        previous_ = XSetErrorHandler(countError);
    }
    ~ErrorTrap() { XSetErrorHandler(previous_); }
    // Waits for the server to handle everything sent; true when it refused nothing.
    bool succeeded()
    {
        XSync(display_, False);
        return xErrorCount == 0;
    }

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

struct ResourcesDeleter {
    void operator()(XRRScreenResources* r) const { XRRFreeScreenResources(r); }
};
struct OutputDeleter {
    void operator()(XRROutputInfo* o) const { XRRFreeOutputInfo(o); }
};
struct CrtcDeleter {
    void operator()(XRRCrtcInfo* c) const { XRRFreeCrtcInfo(c); }
};
using Resources = std::unique_ptr<XRRScreenResources, ResourcesDeleter>;
using OutputInfo = std::unique_ptr<XRROutputInfo, OutputDeleter>;
using CrtcInfo = std::unique_ptr<XRRCrtcInfo, CrtcDeleter>;

const XRRModeInfo* findMode(const XRRScreenResources* res, RRMode id)
{
    for (int i = 0; i < res->nmode; ++i) {
        if (res->modes[i].id == id)
            return &res->modes[i];
    }
    return nullptr;
}

std::optional<VideoMode> videoMode(const XRRModeInfo& info)
{
    if (info.modeFlags & (RR_Interlace | RR_DoubleScan))
        return std::nullopt;
    return VideoMode{int(info.width), int(info.height), modeRefreshRate(info.dotClock, info.hTotal, info.vTotal),
                     quint64(info.id)};
}

bool quarterTurned(Rotation rotation)
{
    return rotation & (RR_Rotate_90 | RR_Rotate_270);
}

} // namespace

double modeRefreshRate(unsigned long dotClock, unsigned int hTotal, unsigned int vTotal)
{
    const double dots = double(hTotal) * double(vTotal);
    if (dots <= 0.0)
        return 0.0;
    return double(dotClock) / dots;
}

XrandrConnection::XrandrConnection(Display* display)
    : display_(display)
{
}

XrandrConnection::~XrandrConnection()
{
    XCloseDisplay(display_);
}

std::unique_ptr<XrandrConnection> XrandrConnection::open(const QByteArray& displayName)
{
    Display* display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!display)
        return nullptr;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor)
        || major < 1 || (major == 1 && minor < 2)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<XrandrConnection>(new XrandrConnection(display));
}

std::vector<XrandrConnection::Output> XrandrConnection::outputs() const
{
    std::vector<Output> list;
    const Window root = DefaultRootWindow(display_);
    Resources res(XRRGetScreenResourcesCurrent(display_, root));
    if (!res)
        return list;
    for (int i = 0; i < res->noutput; ++i) {
        OutputInfo info(XRRGetOutputInfo(display_, res.get(), res->outputs[i]));
        if (!info || info->connection == RR_Disconnected)
            continue;
        Output output;
        output.name = QString::fromUtf8(info->name, info->nameLen);
        for (int m = 0; m < info->nmode; ++m) {
            if (const XRRModeInfo* mode = findMode(res.get(), info->modes[m])) {
                if (auto usable = videoMode(*mode))
                    output.modes.push_back(*usable);
            }
        }
        if (info->crtc) {
            CrtcInfo crtc(XRRGetCrtcInfo(display_, res.get(), info->crtc));
            if (crtc && crtc->mode) {
                output.active = true;
                if (const XRRModeInfo* mode = findMode(res.get(), crtc->mode))
                    output.current = videoMode(*mode);
            }
        }
        list.push_back(std::move(output));
    }
    return list;
}

bool XrandrConnection::setMode(const QString& outputName, const VideoMode& mode)
{
    const Window root = DefaultRootWindow(display_);
    Resources res(XRRGetScreenResourcesCurrent(display_, root));
    if (!res)
        return false;
    OutputInfo info;
    for (int i = 0; i < res->noutput && !info; ++i) {
        OutputInfo candidate(XRRGetOutputInfo(display_, res.get(), res->outputs[i]));
        if (candidate && QString::fromUtf8(candidate->name, candidate->nameLen) == outputName) {
            info = std::move(candidate);
        }
    }
    if (!info || !info->crtc)
        return false;
    const RRMode modeId = RRMode(mode.nativeId);
    if (std::find(info->modes, info->modes + info->nmode, modeId) == info->modes + info->nmode)
        return false;
    const XRRModeInfo* modeInfo = findMode(res.get(), modeId);
    CrtcInfo crtc(XRRGetCrtcInfo(display_, res.get(), info->crtc));
    if (!modeInfo || !crtc)
        return false;

    // The screen must hold every CRTC; grow it before the switch and shrink
    // it after, keeping its physical size per pixel.
    const bool turned = quarterTurned(crtc->rotation);
    const int newWidth = int(turned ? modeInfo->height : modeInfo->width);
    const int newHeight = int(turned ? modeInfo->width : modeInfo->height);
    int needWidth = crtc->x + newWidth;
    int needHeight = crtc->y + newHeight;
    for (int i = 0; i < res->ncrtc; ++i) {
        if (res->crtcs[i] == info->crtc)
            continue;
        CrtcInfo other(XRRGetCrtcInfo(display_, res.get(), res->crtcs[i]));
        if (other && other->mode) {
            needWidth = std::max(needWidth, other->x + int(other->width));
            needHeight = std::max(needHeight, other->y + int(other->height));
        }
    }
    XWindowAttributes rootAttributes;
    if (!XGetWindowAttributes(display_, root, &rootAttributes))
        return false;
    const int screenNumber = DefaultScreen(display_);
    const int oldWidth = rootAttributes.width;
    const int oldHeight = rootAttributes.height;
    const double mmPerPixelX = oldWidth > 0 ? double(DisplayWidthMM(display_, screenNumber)) / oldWidth : 0.26;
    const double mmPerPixelY = oldHeight > 0 ? double(DisplayHeightMM(display_, screenNumber)) / oldHeight : 0.26;
    auto resizeScreen = [&](int width, int height) {
        XRRSetScreenSize(display_, root, width, height, int(std::lround(width * mmPerPixelX)),
                         int(std::lround(height * mmPerPixelY)));
    };

    ErrorTrap trap(display_);
    const int grownWidth = std::max(oldWidth, needWidth);
    const int grownHeight = std::max(oldHeight, needHeight);
    if (grownWidth != oldWidth || grownHeight != oldHeight)
        resizeScreen(grownWidth, grownHeight);
    const Status status = XRRSetCrtcConfig(display_, res.get(), info->crtc, CurrentTime, crtc->x, crtc->y, modeId,
                                           crtc->rotation, crtc->outputs, crtc->noutput);
    if (status != RRSetConfigSuccess) {
        if (grownWidth != oldWidth || grownHeight != oldHeight)
            resizeScreen(oldWidth, oldHeight);
        trap.succeeded();
        return false;
    }
    if (needWidth != grownWidth || needHeight != grownHeight)
        resizeScreen(needWidth, needHeight);
    return trap.succeeded();
}

XrandrDisplays::XrandrDisplays(std::unique_ptr<XrandrConnection> connection)
    : connection_(std::move(connection))
{
}

std::optional<XrandrConnection::Output> XrandrDisplays::output(quint32 screenId) const
{
    // The connection speaks to the X screen of the primary screen; an output
    // of another X screen may carry the same name, and must not be taken
    // for it (its modes would be the wrong screen's, a switch would hit it).
    QScreen* screen = screenFor(screenId);
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!screen || !primary || !primary->virtualSiblings().contains(screen))
        return std::nullopt;
    const auto name = std::optional<QString>(screen->name());
    for (auto& output : connection_->outputs()) {
        if (output.name == *name)
            return output;
    }
    return std::nullopt;
}

std::vector<VideoMode> XrandrDisplays::modes(quint32 screenId) const
{
    auto found = output(screenId);
    return found ? found->modes : std::vector<VideoMode>{};
}

std::optional<VideoMode> XrandrDisplays::currentMode(quint32 screenId) const
{
    auto found = output(screenId);
    return found ? found->current : std::nullopt;
}

bool XrandrDisplays::setMode(quint32 screenId, const VideoMode& mode)
{
    const auto found = output(screenId);
    return found && connection_->setMode(found->name, mode);
}

} // namespace tessarin

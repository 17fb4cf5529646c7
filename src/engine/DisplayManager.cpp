#include "engine/DisplayManager.h"

#include <QCoreApplication>

#include <algorithm>
#include <charconv>
#include <set>

namespace tessarin {

namespace {

// A double as its shortest round-trip text with at least one decimal, as
// the rate appears in a mode id ("60.0", "59.94").
QString rateText(double rate)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, rate);
    if (result.ec != std::errc())
        return QStringLiteral("0.0");
    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    if (!text.contains(u'.') && !text.contains(u'e') && !text.contains(u'n') && !text.contains(u'i'))
        text += QStringLiteral(".0");
    return text;
}

} // namespace

QString DisplayVideoMode::id() const
{
    return QStringLiteral("%1x%2@%3").arg(mode.width).arg(mode.height).arg(rateText(mode.refreshRate));
}

QString DisplayVideoMode::label() const
{
    if (mode.refreshRate > 0) {
        return QStringLiteral("%1 × %2 — %3 Hz")
            .arg(mode.width)
            .arg(mode.height)
            .arg(QString::asprintf("%.0f", mode.refreshRate));
    }
    // The translation keeps the two %lld of its key; they are filled in
    // order here rather than handed to a printf-style formatter, so a
    // translation with other specifiers cannot misread its arguments.
    QString text = QCoreApplication::translate("DisplayManager", "%lld × %lld — predefinito");
    for (int value : {mode.width, mode.height}) {
        const auto at = text.indexOf(QStringLiteral("%lld"));
        if (at < 0)
            break;
        text.replace(at, 4, QString::number(value));
    }
    return text;
}

DisplayManager::DisplayManager(Displays& displays)
    : displays_(displays)
{
}

std::vector<OutputDisplay> DisplayManager::allDisplays() const
{
    std::vector<OutputDisplay> list;
    for (const DisplayScreen& screen : displays_.screens())
        list.push_back({screen.id, screen.name, screen.screen});
    return list;
}

std::vector<OutputDisplay> DisplayManager::externalDisplays() const
{
    auto list = allDisplays();
    const auto main = displays_.mainScreenId();
    if (!main)
        return list;
    std::erase_if(list, [&](const OutputDisplay& d) { return d.id == *main; });
    return list;
}

std::vector<DisplayVideoMode> DisplayManager::availableModes(quint32 displayId) const
{
    std::vector<DisplayVideoMode> list;
    std::set<QString> seen;
    for (const VideoMode& mode : displays_.modes(displayId)) {
        DisplayVideoMode offered{mode};
        if (seen.insert(offered.id()).second)
            list.push_back(offered);
    }
    std::stable_sort(list.begin(), list.end(), [](const DisplayVideoMode& a, const DisplayVideoMode& b) {
        if (a.mode.width != b.mode.width)
            return a.mode.width > b.mode.width;
        if (a.mode.height != b.mode.height)
            return a.mode.height > b.mode.height;
        return a.mode.refreshRate > b.mode.refreshRate;
    });
    return list;
}

std::optional<DisplayVideoMode> DisplayManager::currentMode(quint32 displayId) const
{
    const auto mode = displays_.currentMode(displayId);
    if (!mode)
        return std::nullopt;
    return DisplayVideoMode{*mode};
}

bool DisplayManager::switchMode(quint32 displayId, const DisplayVideoMode& mode)
{
    return displays_.setMode(displayId, mode.mode);
}

} // namespace tessarin

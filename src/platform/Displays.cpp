#include "platform/Displays.h"

#include "platform/XrandrDisplays.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace tessarin {

quint32 screenIdFor(const QString& screenName)
{
    // FNV-1a over the UTF-8 bytes.
    quint32 hash = 2166136261u;
    for (char c : screenName.toUtf8()) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return hash;
}

namespace {

// What identifies a screen: its connector name, or its place in the list
// for a platform that names none (offscreen).
QString screenKey(const QScreen& screen, int index)
{
    return screen.name().isEmpty() ? QStringLiteral("#%1").arg(index) : screen.name();
}

} // namespace

QString displayNameFor(const QScreen& screen, int index)
{
    const QString model = screen.model().trimmed();
    const QString name = screen.name();
    if (name.isEmpty())
        return model.isEmpty() ? QCoreApplication::translate("Displays", "Schermo %1").arg(index + 1) : model;
    if (model.isEmpty() || model == name)
        return name;
    return QStringLiteral("%1 (%2)").arg(model, name);
}

std::vector<DisplayScreen> ScreenOnlyDisplays::screens() const
{
    std::vector<DisplayScreen> list;
    const auto all = QGuiApplication::screens();
    for (int i = 0; i < all.size(); ++i)
        list.push_back({screenIdFor(screenKey(*all[i], i)), displayNameFor(*all[i], i), all[i]});
    return list;
}

std::optional<quint32> ScreenOnlyDisplays::mainScreenId() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    const auto all = QGuiApplication::screens();
    const int index = int(all.indexOf(const_cast<QScreen*>(primary)));
    if (!primary || index < 0)
        return std::nullopt;
    return screenIdFor(screenKey(*primary, index));
}

std::optional<QString> ScreenOnlyDisplays::screenName(quint32 screenId) const
{
    const auto all = QGuiApplication::screens();
    for (int i = 0; i < all.size(); ++i) {
        if (screenIdFor(screenKey(*all[i], i)) == screenId)
            return all[i]->name();
    }
    return std::nullopt;
}

std::unique_ptr<Displays> createDisplays()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto connection = XrandrConnection::open())
            return std::make_unique<XrandrDisplays>(std::move(connection));
    }
    return std::make_unique<ScreenOnlyDisplays>();
}

} // namespace tessarin

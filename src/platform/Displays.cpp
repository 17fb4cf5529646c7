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
// for a platform that names none (offscreen). Separate X screens each have
// their own outputs, so two screens may carry one name: a repeat is told
// apart by its count among the earlier screens of that name.
QString screenKey(const QList<QScreen*>& all, int index)
{
    const QString name = all[index]->name();
    if (name.isEmpty())
        return QStringLiteral("#%1").arg(index);
    int repeats = 0;
    for (int i = 0; i < index; ++i) {
        if (all[i]->name() == name)
            ++repeats;
    }
    return repeats == 0 ? name : QStringLiteral("%1#%2").arg(name).arg(repeats + 1);
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
        list.push_back({screenIdFor(screenKey(all, i)), displayNameFor(*all[i], i), all[i]});
    return list;
}

std::optional<quint32> ScreenOnlyDisplays::mainScreenId() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    const auto all = QGuiApplication::screens();
    const int index = int(all.indexOf(const_cast<QScreen*>(primary)));
    if (!primary || index < 0)
        return std::nullopt;
    return screenIdFor(screenKey(all, index));
}

std::optional<QString> ScreenOnlyDisplays::screenName(quint32 screenId) const
{
    if (QScreen* screen = screenFor(screenId))
        return screen->name();
    return std::nullopt;
}

QScreen* ScreenOnlyDisplays::screenFor(quint32 screenId) const
{
    const auto all = QGuiApplication::screens();
    for (int i = 0; i < all.size(); ++i) {
        if (screenIdFor(screenKey(all, i)) == screenId)
            return all[i];
    }
    return nullptr;
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

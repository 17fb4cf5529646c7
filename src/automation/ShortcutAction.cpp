#include "automation/ShortcutAction.h"

#include <QCoreApplication>

namespace tessarin::shortcut_action {

const QList<ShortcutActionID>& allCases()
{
    static const QList<ShortcutActionID> cases = [] {
        QList<ShortcutActionID> list;
        for (int i = 0; i <= static_cast<int>(ShortcutActionID::playBlock9); ++i)
            list.append(static_cast<ShortcutActionID>(i));
        return list;
    }();
    return cases;
}

QString rawValue(ShortcutActionID action)
{
    switch (action) {
    case ShortcutActionID::playPause: return QStringLiteral("playPause");
    case ShortcutActionID::stop: return QStringLiteral("stop");
    case ShortcutActionID::take: return QStringLiteral("take");
    case ShortcutActionID::clearCue: return QStringLiteral("clearCue");
    case ShortcutActionID::cueSelected: return QStringLiteral("cueSelected");
    case ShortcutActionID::toggleLayer1: return QStringLiteral("toggleLayer1");
    case ShortcutActionID::toggleLayer2: return QStringLiteral("toggleLayer2");
    default:
        break;
    }
    return QStringLiteral("playBlock%1").arg(*blockIndex(action) + 1);
}

std::optional<ShortcutActionID> fromRawValue(const QString& raw)
{
    for (const ShortcutActionID action : allCases()) {
        if (rawValue(action) == raw)
            return action;
    }
    return std::nullopt;
}

QString label(ShortcutActionID action)
{
    switch (action) {
    case ShortcutActionID::playPause: return QCoreApplication::translate("ShortcutActionID", "Play / Pausa");
    case ShortcutActionID::stop: return QStringLiteral("Stop");
    case ShortcutActionID::take: return QCoreApplication::translate("ShortcutActionID", "Manda in onda (take)");
    case ShortcutActionID::clearCue: return QCoreApplication::translate("ShortcutActionID", "Annulla cue");
    case ShortcutActionID::cueSelected: return QCoreApplication::translate("ShortcutActionID", "Cue della clip selezionata");
    case ShortcutActionID::toggleLayer1: return QCoreApplication::translate("ShortcutActionID", "Mostra / nascondi Layer 1");
    case ShortcutActionID::toggleLayer2: return QCoreApplication::translate("ShortcutActionID", "Mostra / nascondi Layer 2");
    default:
        break;
    }
    return QCoreApplication::translate("ShortcutActionID", "Avvia blocco %1").arg(*blockIndex(action) + 1);
}

std::optional<int> blockIndex(ShortcutActionID action)
{
    const int first = static_cast<int>(ShortcutActionID::playBlock1);
    const int value = static_cast<int>(action);
    if (value < first || value > static_cast<int>(ShortcutActionID::playBlock9))
        return std::nullopt;
    return value - first;
}

} // namespace tessarin::shortcut_action

#include "media/BlockEndBehavior.h"

#include <QCoreApplication>

namespace tessarin::BlockEndBehaviors {

const std::vector<BlockEndBehavior>& allCases()
{
    static const std::vector<BlockEndBehavior> all{BlockEndBehavior::pauseBlack, BlockEndBehavior::cueNextBlock};
    return all;
}

QString rawValue(BlockEndBehavior behavior)
{
    switch (behavior) {
    case BlockEndBehavior::pauseBlack: return QStringLiteral("pauseBlack");
    case BlockEndBehavior::cueNextBlock: return QStringLiteral("cueNextBlock");
    }
    return {};
}

std::optional<BlockEndBehavior> fromRawValue(const QString& raw)
{
    for (BlockEndBehavior behavior : allCases()) {
        if (rawValue(behavior) == raw)
            return behavior;
    }
    return std::nullopt;
}

QString label(BlockEndBehavior behavior)
{
    switch (behavior) {
    case BlockEndBehavior::pauseBlack:
        return QCoreApplication::translate("BlockEndBehavior", "Pausa a nero");
    case BlockEndBehavior::cueNextBlock:
        return QCoreApplication::translate("BlockEndBehavior", "Cue automatico del blocco successivo");
    }
    return {};
}

} // namespace tessarin::BlockEndBehaviors

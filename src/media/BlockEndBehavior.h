#pragma once
// What happens after a block has played its last item. Stored by raw value.
#include <QString>

#include <optional>
#include <vector>

namespace tessarin {

enum class BlockEndBehavior { pauseBlack, cueNextBlock };

namespace BlockEndBehaviors {

// In the order the block settings list them.
const std::vector<BlockEndBehavior>& allCases();
QString rawValue(BlockEndBehavior behavior);
// Exactly "pauseBlack" or "cueNextBlock", else nullopt.
std::optional<BlockEndBehavior> fromRawValue(const QString& raw);
// The translated label shown in the block settings.
QString label(BlockEndBehavior behavior);

} // namespace BlockEndBehaviors
} // namespace tessarin

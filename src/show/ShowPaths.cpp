#include "show/ShowPaths.h"

namespace tessarin {

ShowPaths::Reference ShowPaths::reference(const QString& filePath, const std::optional<QString>& base)
{
    Reference ref{filePath, std::nullopt};
    if (!base)
        return ref;
    const QString prefix = *base + QLatin1Char('/');
    if (filePath.startsWith(prefix) && filePath.size() > prefix.size())
        ref.relative = filePath.mid(prefix.size());
    return ref;
}

} // namespace tessarin

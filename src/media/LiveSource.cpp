#include "media/LiveSource.h"

#include "platform/Json.h"

#include <QJsonValue>

namespace tessarin {

size_t qHash(const LiveSource& source, size_t seed) noexcept
{
    return qHashMulti(seed, source.id, static_cast<int>(source.kind), source.name, source.address, source.listen);
}

QJsonObject toJson(const LiveSource& source)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), json::uuidText(source.id));
    object.insert(QStringLiteral("kind"), LiveSourceKinds::rawValue(source.kind));
    object.insert(QStringLiteral("name"), source.name);
    object.insert(QStringLiteral("address"), source.address);
    object.insert(QStringLiteral("listen"), source.listen);
    return object;
}

std::optional<LiveSource> liveSourceFromJson(const QJsonValue& value, QString* error)
{
    if (!value.isObject()) {
        if (error)
            *error = QStringLiteral("a live source is not an object");
        return std::nullopt;
    }
    json::ObjectReader reader(value.toObject());
    LiveSource source;
    const QString idText = reader.string(QStringLiteral("id"));
    const QString kindText = reader.string(QStringLiteral("kind"));
    source.name = reader.string(QStringLiteral("name"));
    source.address = reader.string(QStringLiteral("address"));
    source.listen = reader.boolean(QStringLiteral("listen"));
    if (reader.ok()) {
        if (const auto id = json::parseUuid(idText))
            source.id = *id;
        else
            reader.fail(QStringLiteral("\"id\" is not a UUID: %1").arg(idText));
    }
    if (reader.ok()) {
        if (const auto kind = LiveSourceKinds::fromRawValue(kindText))
            source.kind = *kind;
        else
            reader.fail(QStringLiteral("unknown live source kind: %1").arg(kindText));
    }
    if (!reader.ok()) {
        if (error)
            *error = reader.error();
        return std::nullopt;
    }
    return source;
}

} // namespace tessarin

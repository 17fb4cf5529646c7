#include "media/LiveSource.h"

#include <QJsonValue>

namespace tessarin {

size_t qHash(const LiveSource& source, size_t seed) noexcept
{
    return qHashMulti(seed, source.id, static_cast<int>(source.kind), source.name, source.address, source.listen);
}

QString canonicalUuidString(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseCanonicalUuid(const QString& text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (int i = 0; i < 36; ++i) {
        const QChar c = text.at(i);
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (dash ? u != '-' : !hex)
            return std::nullopt;
    }
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != QLatin1String("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}

QJsonObject toJson(const LiveSource& source)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), canonicalUuidString(source.id));
    object.insert(QStringLiteral("kind"), LiveSourceKinds::rawValue(source.kind));
    object.insert(QStringLiteral("name"), source.name);
    object.insert(QStringLiteral("address"), source.address);
    object.insert(QStringLiteral("listen"), source.listen);
    return object;
}

namespace {

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

// The string member `key`, or a failure when it is absent or not a string.
bool readString(const QJsonObject& object, const char* key, QString& out, QString* error)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return fail(error, QStringLiteral("missing key \"%1\"").arg(QLatin1String(key)));
    if (!value.isString())
        return fail(error, QStringLiteral("\"%1\" is not a string").arg(QLatin1String(key)));
    out = value.toString();
    return true;
}

bool readBool(const QJsonObject& object, const char* key, bool& out, QString* error)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return fail(error, QStringLiteral("missing key \"%1\"").arg(QLatin1String(key)));
    if (!value.isBool())
        return fail(error, QStringLiteral("\"%1\" is not a boolean").arg(QLatin1String(key)));
    out = value.toBool();
    return true;
}

} // namespace

std::optional<LiveSource> liveSourceFromJson(const QJsonValue& value, QString* error)
{
    if (!value.isObject()) {
        fail(error, QStringLiteral("a live source is not an object"));
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    QString idText, kindText;
    LiveSource source;
    if (!readString(object, "id", idText, error) || !readString(object, "kind", kindText, error)
        || !readString(object, "name", source.name, error) || !readString(object, "address", source.address, error)
        || !readBool(object, "listen", source.listen, error))
        return std::nullopt;
    const std::optional<QUuid> id = parseCanonicalUuid(idText);
    if (!id) {
        fail(error, QStringLiteral("\"id\" is not a UUID: %1").arg(idText));
        return std::nullopt;
    }
    const std::optional<LiveSourceKind> kind = LiveSourceKinds::fromRawValue(kindText);
    if (!kind) {
        fail(error, QStringLiteral("unknown live source kind: %1").arg(kindText));
        return std::nullopt;
    }
    source.id = *id;
    source.kind = *kind;
    return source;
}

} // namespace tessarin

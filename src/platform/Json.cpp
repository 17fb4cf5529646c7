#include "platform/Json.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tessarin::json {
namespace {

// 2^53: beyond it a double no longer holds every whole number.
constexpr double kLargestExactWhole = 9007199254740992.0;

// True when every key and string of the tree is whole UTF-16. The parser
// takes a "\ud800" escape without its other half as it is, and such a text
// comes out of UTF-8 encoding as "?": a file name would change on the next
// save.
bool wholeText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().isValidUtf16();
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(), [](const QJsonValue& element) { return wholeText(element); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!it.key().isValidUtf16() || !wholeText(it.value()))
                return false;
        }
    }
    return true;
}

std::optional<QJsonDocument> parseDocument(const QByteArray& text, QString* error)
{
    QJsonParseError parseError {};
    QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = parseError.errorString();
        return std::nullopt;
    }
    const QJsonValue top = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    if (!wholeText(top)) {
        if (error)
            *error = QStringLiteral("a string holds half of a UTF-16 surrogate pair");
        return std::nullopt;
    }
    return document;
}

bool finiteNumber(const QJsonValue& value)
{
    return value.isDouble() && std::isfinite(value.toDouble());
}

void appendString(QByteArray& out, const QString& text)
{
    out.append('"');
    const QByteArray utf8 = text.toUtf8();
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '/': out.append("\\/"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (u < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out.append(escaped);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
}

bool appendNumber(QByteArray& out, const QJsonValue& value)
{
    const double d = value.toDouble();
    if (!std::isfinite(d))
        return false;
    char buffer[64];
    std::to_chars_result result;
    if (d == std::floor(d) && std::fabs(d) < kLargestExactWhole)
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(d));
    else
        result = std::to_chars(buffer, buffer + sizeof buffer, d); // shortest text that reads back exactly
    out.append(buffer, static_cast<qsizetype>(result.ptr - buffer));
    return true;
}

void newline(QByteArray& out, Layout layout, int depth)
{
    if (layout != Layout::pretty)
        return;
    out.append('\n');
    out.append(QByteArray(depth * 2, ' '));
}

bool appendValue(QByteArray& out, const QJsonValue& value, Layout layout, int depth)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out.append("null");
        return true;
    case QJsonValue::Bool:
        out.append(value.toBool() ? "true" : "false");
        return true;
    case QJsonValue::Double:
        return appendNumber(out, value);
    case QJsonValue::String:
        appendString(out, value.toString());
        return true;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out.append("[]");
            return true;
        }
        out.append('[');
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i > 0)
                out.append(',');
            newline(out, layout, depth + 1);
            if (!appendValue(out, array.at(i), layout, depth + 1))
                return false;
        }
        newline(out, layout, depth);
        out.append(']');
        return true;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.isEmpty()) {
            out.append("{}");
            return true;
        }
        QStringList keys = object.keys();
        std::sort(keys.begin(), keys.end()); // code-unit order, whatever QJsonObject keeps
        out.append('{');
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (i > 0)
                out.append(',');
            newline(out, layout, depth + 1);
            appendString(out, keys[i]);
            out.append(layout == Layout::pretty ? " : " : ":");
            if (!appendValue(out, object.value(keys[i]), layout, depth + 1))
                return false;
        }
        newline(out, layout, depth);
        out.append('}');
        return true;
    }
    }
    return false;
}

} // namespace

std::optional<QJsonObject> parseObject(const QByteArray& text, QString* error)
{
    auto document = parseDocument(text, error);
    if (!document)
        return std::nullopt;
    if (!document->isObject()) {
        if (error)
            *error = QStringLiteral("the top level is not an object");
        return std::nullopt;
    }
    return document->object();
}

std::optional<QJsonArray> parseArray(const QByteArray& text, QString* error)
{
    auto document = parseDocument(text, error);
    if (!document)
        return std::nullopt;
    if (!document->isArray()) {
        if (error)
            *error = QStringLiteral("the top level is not an array");
        return std::nullopt;
    }
    return document->array();
}

ObjectReader::ObjectReader(QJsonObject object)
    : object_(std::move(object))
{
}

bool ObjectReader::has(const QString& key) const
{
    return object_.contains(key);
}

void ObjectReader::fail(const QString& reason)
{
    if (!ok_)
        return;
    ok_ = false;
    error_ = reason;
}

std::optional<QJsonValue> ObjectReader::present(const QString& key, bool required)
{
    if (!ok_)
        return std::nullopt;
    const auto it = object_.constFind(key);
    if (it == object_.constEnd() || (!required && it->isNull())) {
        if (required)
            fail(QStringLiteral("missing key \"%1\"").arg(key));
        return std::nullopt;
    }
    return *it;
}

#define TESSARIN_JSON_READ(name, optionalName, Type, check, convert, fallback)         \
    Type ObjectReader::name(const QString& key)                                          \
    {                                                                                    \
        auto value = present(key, true);                                                 \
        if (!value)                                                                      \
            return fallback;                                                             \
        auto converted = check(*value);                                                  \
        if (!converted) {                                                                \
            fail(QStringLiteral("key \"%1\" has the wrong type").arg(key));              \
            return fallback;                                                             \
        }                                                                                \
        return convert(*converted);                                                      \
    }                                                                                    \
    std::optional<Type> ObjectReader::optionalName(const QString& key)                   \
    {                                                                                    \
        auto value = present(key, false);                                                \
        if (!value)                                                                      \
            return std::nullopt;                                                         \
        auto converted = check(*value);                                                  \
        if (!converted) {                                                                \
            fail(QStringLiteral("key \"%1\" has the wrong type").arg(key));              \
            return std::nullopt;                                                         \
        }                                                                                \
        return convert(*converted);                                                      \
    }

namespace {
std::optional<bool> asBoolean(const QJsonValue& value)
{
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}
std::optional<QJsonArray> asArray(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    return value.toArray();
}
template <typename T> T same(const T& value) { return value; }
} // namespace

TESSARIN_JSON_READ(string, optionalString, QString, asString, same, QString())
TESSARIN_JSON_READ(number, optionalNumber, double, asNumber, same, 0.0)
TESSARIN_JSON_READ(integer, optionalInteger, qint64, asInteger, same, qint64(0))
TESSARIN_JSON_READ(boolean, optionalBoolean, bool, asBoolean, same, false)
TESSARIN_JSON_READ(array, optionalArray, QJsonArray, asArray, same, QJsonArray())
TESSARIN_JSON_READ(object, optionalObject, QJsonObject, asObject, same, QJsonObject())

#undef TESSARIN_JSON_READ

std::optional<QString> asString(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<double> asNumber(const QJsonValue& value)
{
    if (!finiteNumber(value))
        return std::nullopt;
    return value.toDouble();
}

std::optional<qint64> asInteger(const QJsonValue& value)
{
    if (!finiteNumber(value))
        return std::nullopt;
    const double d = value.toDouble();
    if (d != std::floor(d) || std::fabs(d) > kLargestExactWhole)
        return std::nullopt;
    return static_cast<qint64>(d);
}

std::optional<QJsonObject> asObject(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    return value.toObject();
}

std::optional<QByteArray> write(const QJsonValue& value, Layout layout)
{
    QByteArray out;
    if (!appendValue(out, value, layout, 0))
        return std::nullopt;
    return out;
}

std::optional<QUuid> parseUuid(const QString& text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (int i = 0; i < 36; ++i) {
        const QChar c = text[i];
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace ? c != QLatin1Char('-') : !std::isxdigit(static_cast<unsigned char>(c.toLatin1())) || c.unicode() > 0x7f)
            return std::nullopt;
    }
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull() && text != QLatin1String("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return uuid;
}

QString uuidText(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace tessarin::json

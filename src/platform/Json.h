#pragma once
// Strict JSON for the system's own files and values (show files, settings
// values, drag payloads). Reading checks the JSON type of every value before
// using it, so a wrong type or a missing required key rejects the document;
// writing produces exact text: keys sorted, pretty or compact, "/" written as
// "\/", non-finite numbers refused. Any thread.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <optional>

namespace tessarin::json {

// Parses text whose top level must be an object; nullopt (with a reason in
// error) for anything else.
std::optional<QJsonObject> parseObject(const QByteArray& text, QString* error = nullptr);
// Parses text whose top level must be an array.
std::optional<QJsonArray> parseArray(const QByteArray& text, QString* error = nullptr);

// Reads the keys of one object. The first missing required key or value of
// the wrong type marks the reader failed (ok() false, error() says which key);
// later reads then return defaults. Optional keys read as nullopt when absent
// or null, and fail the reader when they hold another type.
class ObjectReader {
public:
    explicit ObjectReader(QJsonObject object);

    bool ok() const { return ok_; }
    const QString& error() const { return error_; }
    bool has(const QString& key) const;
    const QJsonObject& object() const { return object_; }

    QString string(const QString& key);
    double number(const QString& key);   // finite JSON number
    qint64 integer(const QString& key);  // JSON number with a whole value in range
    bool boolean(const QString& key);
    QJsonArray array(const QString& key);
    QJsonObject object(const QString& key);

    std::optional<QString> optionalString(const QString& key);
    std::optional<double> optionalNumber(const QString& key);
    std::optional<qint64> optionalInteger(const QString& key);
    std::optional<bool> optionalBoolean(const QString& key);
    std::optional<QJsonArray> optionalArray(const QString& key);
    std::optional<QJsonObject> optionalObject(const QString& key);

    // Marks the reader failed with a reason of the caller's (first one wins).
    void fail(const QString& reason);

private:
    std::optional<QJsonValue> present(const QString& key, bool required);

    QJsonObject object_;
    bool ok_ = true;
    QString error_;
};

// Element checks for arrays; nullopt when the element has another type.
std::optional<QString> asString(const QJsonValue& value);
std::optional<double> asNumber(const QJsonValue& value);
std::optional<qint64> asInteger(const QJsonValue& value);
std::optional<QJsonObject> asObject(const QJsonValue& value);

enum class Layout {
    pretty,  // line breaks, two-space indentation, "key" : value
    compact, // no white space at all
};

// Writes value with keys sorted in every object. nullopt when the tree holds
// a number that is not finite (nothing can stand for it in JSON).
std::optional<QByteArray> write(const QJsonValue& value, Layout layout);

// UUID text: exactly 8-4-4-4-12 hexadecimal digits, either case, no braces.
std::optional<QUuid> parseUuid(const QString& text);
// The 36-character upper-case form.
QString uuidText(const QUuid& uuid);

} // namespace tessarin::json

#include "automation/KeyCombo.h"

#include "platform/Json.h"

#include <QCoreApplication>

namespace tessarin {

namespace {

std::map<std::uint16_t, QString> buildNames()
{
    std::map<std::uint16_t, QString> names;
    names[49] = QCoreApplication::translate("KeyCombo", "Spazio");
    names[36] = QString(QChar(0x23CE));
    names[53] = QString(QChar(0x238B));
    names[48] = QString(QChar(0x21E5));
    names[123] = QString(QChar(0x2190));
    names[124] = QString(QChar(0x2192));
    names[126] = QString(QChar(0x2191));
    names[125] = QString(QChar(0x2193));

    const std::uint16_t digitCodes[] = {18, 19, 20, 21, 23, 22, 26, 28, 25, 29};
    const char digits[] = "1234567890";
    for (int i = 0; i < 10; ++i)
        names[digitCodes[i]] = QString(QChar(digits[i]));

    const std::uint16_t punctuationCodes[] = {43, 47, 44, 41, 39, 24, 27, 33, 30, 42, 50};
    const char punctuation[] = ",./;'=-[]\\`";
    for (int i = 0; i < 11; ++i)
        names[punctuationCodes[i]] = QString(QChar(punctuation[i]));

    const std::uint16_t letterCodes[] = {0, 11, 8, 2, 14, 3, 5, 4, 34, 38, 40, 37, 46,
                                         45, 31, 35, 12, 15, 1, 17, 32, 9, 13, 7, 16, 6};
    for (int i = 0; i < 26; ++i)
        names[letterCodes[i]] = QString(QChar('A' + i));
    return names;
}

} // namespace

QString KeyCombo::displayString() const
{
    QString text;
    if (modifiers & controlFlag)
        text += QChar(0x2303);
    if (modifiers & optionFlag)
        text += QChar(0x2325);
    if (modifiers & shiftFlag)
        text += QChar(0x21E7);
    if (modifiers & commandFlag)
        text += QChar(0x2318);
    return text + name(keyCode);
}

QString KeyCombo::name(std::uint16_t keyCode)
{
    const auto& names = keyCodeNames();
    if (const auto it = names.find(keyCode); it != names.end())
        return it->second;
    return QCoreApplication::translate("KeyCombo", "Tasto %1").arg(keyCode);
}

const std::map<std::uint16_t, QString>& KeyCombo::keyCodeNames()
{
    static const std::map<std::uint16_t, QString> names = buildNames();
    return names;
}

QByteArray KeyCombo::toJson() const
{
    return QByteArray("{\"keyCode\":") + QByteArray::number(keyCode) + ",\"modifiers\":"
        + QByteArray::number(static_cast<qulonglong>(modifiers)) + "}";
}

std::optional<KeyCombo> KeyCombo::fromJson(const QByteArray& json)
{
    const auto object = json::parseObject(json);
    if (!object)
        return std::nullopt;
    json::ObjectReader reader(*object);
    const qint64 keyCode = reader.integer(QStringLiteral("keyCode"));
    // Combos only ever carry the four modifier bits, far below where a
    // JSON number stops being exact.
    const qint64 modifiers = reader.integer(QStringLiteral("modifiers"));
    if (!reader.ok() || keyCode < 0 || keyCode > 65535 || modifiers < 0)
        return std::nullopt;
    return KeyCombo{static_cast<std::uint16_t>(keyCode), static_cast<std::uint64_t>(modifiers)};
}

} // namespace tessarin

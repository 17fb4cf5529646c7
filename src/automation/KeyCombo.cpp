#include "automation/KeyCombo.h"

#include "platform/Json.h"

#include <QCoreApplication>
#include <QStringList>

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

// The keys that print nothing, named as their caps name them: function keys,
// the keypad, the keys that move and delete. Looked up when first needed
// (in the language of that moment), as the table above.
std::map<std::uint16_t, QString> buildKeyNames()
{
    std::map<std::uint16_t, QString> names;
    const std::uint16_t functionCodes[] = { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109,
                                            103, 111, 105, 107, 113, 106, 64, 79, 80, 90 };
    for (int i = 0; i < 20; ++i)
        names[functionCodes[i]] = QStringLiteral("F%1").arg(i + 1);
    const std::uint16_t keypadDigits[] = { 82, 83, 84, 85, 86, 87, 88, 89, 91, 92 };
    const QString keypad = QCoreApplication::translate("KeyCombo", "Tastierino %1");
    for (int i = 0; i < 10; ++i)
        names[keypadDigits[i]] = keypad.arg(i);
    const std::pair<std::uint16_t, const char*> keypadSigns[] = {
        { 65, "." }, { 67, "*" }, { 69, "+" }, { 75, "/" }, { 78, "-" }, { 81, "=" },
    };
    for (const auto& [code, sign] : keypadSigns)
        names[code] = keypad.arg(QLatin1String(sign));
    names[76] = QCoreApplication::translate("KeyCombo", "Invio del tastierino");
    names[71] = QCoreApplication::translate("KeyCombo", "Bloc Num");
    names[51] = QCoreApplication::translate("KeyCombo", "Backspace");
    names[117] = QCoreApplication::translate("KeyCombo", "Canc");
    names[114] = QCoreApplication::translate("KeyCombo", "Ins");
    names[115] = QCoreApplication::translate("KeyCombo", "Inizio");
    names[119] = QCoreApplication::translate("KeyCombo", "Fine");
    names[116] = QCoreApplication::translate("KeyCombo", "Pag su");
    names[121] = QCoreApplication::translate("KeyCombo", "Pag giù");
    names[74] = QCoreApplication::translate("KeyCombo", "Muto");
    names[73] = QCoreApplication::translate("KeyCombo", "Volume giù");
    names[72] = QCoreApplication::translate("KeyCombo", "Volume su");
    return names;
}

const std::map<std::uint16_t, QString>& keyNames()
{
    static const std::map<std::uint16_t, QString> names = buildKeyNames();
    return names;
}

// How a reader says the keys whose names are symbols.
QString spokenName(std::uint16_t keyCode)
{
    switch (keyCode) {
    case 36: return QCoreApplication::translate("KeyCombo", "Invio");
    case 53: return QCoreApplication::translate("KeyCombo", "Esc");
    case 48: return QCoreApplication::translate("KeyCombo", "Tab");
    case 123: return QCoreApplication::translate("KeyCombo", "Freccia sinistra");
    case 124: return QCoreApplication::translate("KeyCombo", "Freccia destra");
    case 126: return QCoreApplication::translate("KeyCombo", "Freccia su");
    case 125: return QCoreApplication::translate("KeyCombo", "Freccia giù");
    default: return KeyCombo::name(keyCode);
    }
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

QString KeyCombo::spokenString() const
{
    QStringList keys;
    if (modifiers & controlFlag)
        keys << QCoreApplication::translate("KeyCombo", "Ctrl");
    if (modifiers & optionFlag)
        keys << QCoreApplication::translate("KeyCombo", "Alt");
    if (modifiers & shiftFlag)
        keys << QCoreApplication::translate("KeyCombo", "Maiusc");
    if (modifiers & commandFlag)
        keys << QCoreApplication::translate("KeyCombo", "Super");
    keys << spokenName(keyCode);
    return keys.join(QLatin1Char('+'));
}

QString KeyCombo::name(std::uint16_t keyCode)
{
    const auto& names = keyCodeNames();
    if (const auto it = names.find(keyCode); it != names.end())
        return it->second;
    if (const auto it = keyNames().find(keyCode); it != keyNames().end())
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

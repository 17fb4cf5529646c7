#pragma once
// One keyboard shortcut: a key position code and the modifier flags reduced
// to shift, control, option and command. Stored values keep this numbering
// on every platform (see KeyEventMapping.h for the Linux key events).
// A plain value; names are looked up on the main thread (localisation).
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>

namespace tessarin {

struct KeyCombo {
    static constexpr std::uint64_t shiftFlag = 0x20000;
    static constexpr std::uint64_t controlFlag = 0x40000;
    static constexpr std::uint64_t optionFlag = 0x80000;
    static constexpr std::uint64_t commandFlag = 0x100000;
    static constexpr std::uint64_t modifierMask = 0x1E0000;

    std::uint16_t keyCode = 0;
    // Producers store flags already reduced with modifierMask; the type
    // itself keeps whatever it is given.
    std::uint64_t modifiers = 0;

    friend bool operator==(const KeyCombo&, const KeyCombo&) = default;

    // Modifier symbols in the fixed order control, option, shift, command,
    // then the key's name, without separators ("⇧⌘K").
    QString displayString() const;

    // The combo as a reader says it, with the keys' Linux names: control,
    // option, shift and command as "Ctrl", "Alt", "Maiusc" and "Super",
    // the keys named by a symbol in words ("Esc", "Freccia su"), joined by
    // "+" ("Ctrl+Maiusc+K").
    QString spokenString() const;

    // The key's name from keyCodeNames(); else, for a key that prints
    // nothing, the name on its cap ("F5", "Pag su", "Tastierino 1");
    // else "Tasto <code>".
    static QString name(std::uint16_t keyCode);
    // Key code to display name; built on first use (the space bar's name
    // in the language of that moment), kept for the life of the process.
    static const std::map<std::uint16_t, QString>& keyCodeNames();

    // Compact JSON: {"keyCode":49,"modifiers":0}.
    QByteArray toJson() const;
    // Both members required, whole numbers, keyCode 0...65535, modifiers
    // non-negative; other members are ignored. Absent when unreadable.
    static std::optional<KeyCombo> fromJson(const QByteArray& json);
};

} // namespace tessarin

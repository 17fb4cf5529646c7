#include "automation/KeyEventMapping.h"

#include <QKeyEvent>

#include <unordered_map>

namespace tessarin {

namespace {

// X11 and Wayland key codes are evdev codes plus this offset.
constexpr std::uint32_t xkbKeycodeOffset = 8;

// evdev code (linux/input-event-codes.h) to key position code.
const std::unordered_map<std::uint32_t, std::uint16_t>& evdevTable()
{
    static const std::unordered_map<std::uint32_t, std::uint16_t> table = {
        {1, 53},                                                    // Esc
        {2, 18}, {3, 19}, {4, 20}, {5, 21}, {6, 23},                // 1 .. 5
        {7, 22}, {8, 26}, {9, 28}, {10, 25}, {11, 29},              // 6 .. 0
        {12, 27}, {13, 24}, {14, 51}, {15, 48},                     // - = Backspace Tab
        {16, 12}, {17, 13}, {18, 14}, {19, 15}, {20, 17},           // Q W E R T
        {21, 16}, {22, 32}, {23, 34}, {24, 31}, {25, 35},           // Y U I O P
        {26, 33}, {27, 30}, {28, 36},                               // [ ] Return
        {30, 0}, {31, 1}, {32, 2}, {33, 3}, {34, 5},                // A S D F G
        {35, 4}, {36, 38}, {37, 40}, {38, 37},                      // H J K L
        {39, 41}, {40, 39}, {41, 50}, {43, 42},                     // ; ' ` backslash
        {44, 6}, {45, 7}, {46, 8}, {47, 9}, {48, 11},               // Z X C V B
        {49, 45}, {50, 46}, {51, 43}, {52, 47}, {53, 44},           // N M , . /
        {55, 67}, {57, 49},                                         // keypad * , Space
        {59, 122}, {60, 120}, {61, 99}, {62, 118}, {63, 96},        // F1 .. F5
        {64, 97}, {65, 98}, {66, 100}, {67, 101}, {68, 109},        // F6 .. F10
        {69, 71},                                                   // Num Lock = keypad Clear
        {71, 89}, {72, 91}, {73, 92}, {74, 78},                     // keypad 7 8 9 -
        {75, 86}, {76, 87}, {77, 88}, {78, 69},                     // keypad 4 5 6 +
        {79, 83}, {80, 84}, {81, 85}, {82, 82}, {83, 65},           // keypad 1 2 3 0 .
        {86, 10},                                                   // ISO key beside left Shift
        {87, 103}, {88, 111},                                       // F11 F12
        {96, 76}, {98, 75},                                         // keypad Enter /
        {102, 115}, {103, 126}, {104, 116}, {105, 123},             // Home Up PgUp Left
        {106, 124}, {107, 119}, {108, 125}, {109, 121},             // Right End Down PgDn
        {110, 114}, {111, 117},                                     // Insert (Help) Delete
        {113, 74}, {114, 73}, {115, 72}, {117, 81},                 // Mute Vol- Vol+ keypad =
        {183, 105}, {184, 107}, {185, 113}, {186, 106},             // F13 .. F16
        {187, 64}, {188, 79}, {189, 80}, {190, 90},                 // F17 .. F20
    };
    return table;
}

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

// Left/right Ctrl, Shift, Alt, Meta, Caps Lock, AltGr, Compose.
bool isModifierEvdev(std::uint32_t code)
{
    switch (code) {
    case 29: case 42: case 54: case 56: case 58: case 97: case 100: case 125: case 126: case 127:
        return true;
    default:
        return false;
    }
}

std::optional<std::uint16_t> keypadCode(int key)
{
    switch (key) {
    case Qt::Key_0: return 82;
    case Qt::Key_1: return 83;
    case Qt::Key_2: return 84;
    case Qt::Key_3: return 85;
    case Qt::Key_4: return 86;
    case Qt::Key_5: return 87;
    case Qt::Key_6: return 88;
    case Qt::Key_7: return 89;
    case Qt::Key_8: return 91;
    case Qt::Key_9: return 92;
    case Qt::Key_Period: case Qt::Key_Comma: return 65;
    case Qt::Key_Asterisk: return 67;
    case Qt::Key_Plus: return 69;
    case Qt::Key_Slash: return 75;
    case Qt::Key_Minus: return 78;
    case Qt::Key_Equal: return 81;
    case Qt::Key_Enter: case Qt::Key_Return: return 76;
    case Qt::Key_Clear: return 71;
    default: return std::nullopt;
    }
}

const std::unordered_map<int, std::uint16_t>& qtKeyTable()
{
    static const std::unordered_map<int, std::uint16_t> table = [] {
        std::unordered_map<int, std::uint16_t> t = {
            {Qt::Key_Space, 49}, {Qt::Key_Return, 36}, {Qt::Key_Enter, 76},
            {Qt::Key_Escape, 53}, {Qt::Key_Tab, 48}, {Qt::Key_Backtab, 48},
            {Qt::Key_Backspace, 51}, {Qt::Key_Delete, 117}, {Qt::Key_Insert, 114}, {Qt::Key_Help, 114},
            {Qt::Key_Home, 115}, {Qt::Key_End, 119}, {Qt::Key_PageUp, 116}, {Qt::Key_PageDown, 121},
            {Qt::Key_Left, 123}, {Qt::Key_Right, 124}, {Qt::Key_Down, 125}, {Qt::Key_Up, 126},
            {Qt::Key_VolumeMute, 74}, {Qt::Key_VolumeDown, 73}, {Qt::Key_VolumeUp, 72},
            // Punctuation and the characters that Shift gives on a US keyboard.
            {Qt::Key_Comma, 43}, {Qt::Key_Less, 43}, {Qt::Key_Period, 47}, {Qt::Key_Greater, 47},
            {Qt::Key_Slash, 44}, {Qt::Key_Question, 44}, {Qt::Key_Semicolon, 41}, {Qt::Key_Colon, 41},
            {Qt::Key_Apostrophe, 39}, {Qt::Key_QuoteDbl, 39}, {Qt::Key_Equal, 24}, {Qt::Key_Plus, 24},
            {Qt::Key_Minus, 27}, {Qt::Key_Underscore, 27}, {Qt::Key_BracketLeft, 33}, {Qt::Key_BraceLeft, 33},
            {Qt::Key_BracketRight, 30}, {Qt::Key_BraceRight, 30}, {Qt::Key_Backslash, 42}, {Qt::Key_Bar, 42},
            {Qt::Key_QuoteLeft, 50}, {Qt::Key_AsciiTilde, 50},
            {Qt::Key_Exclam, 18}, {Qt::Key_At, 19}, {Qt::Key_NumberSign, 20}, {Qt::Key_Dollar, 21},
            {Qt::Key_Percent, 23}, {Qt::Key_AsciiCircum, 22}, {Qt::Key_Ampersand, 26},
            {Qt::Key_Asterisk, 28}, {Qt::Key_ParenLeft, 25}, {Qt::Key_ParenRight, 29},
        };
        const std::uint16_t digitCodes[] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25}; // 0 .. 9
        for (int i = 0; i < 10; ++i)
            t[Qt::Key_0 + i] = digitCodes[i];
        const std::uint16_t letterCodes[] = {0, 11, 8, 2, 14, 3, 5, 4, 34, 38, 40, 37, 46,
                                             45, 31, 35, 12, 15, 1, 17, 32, 9, 13, 7, 16, 6};
        for (int i = 0; i < 26; ++i)
            t[Qt::Key_A + i] = letterCodes[i];
        const std::uint16_t functionCodes[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109,
                                               103, 111, 105, 107, 113, 106, 64, 79, 80, 90};
        for (int i = 0; i < 20; ++i)
            t[Qt::Key_F1 + i] = functionCodes[i];
        return t;
    }();
    return table;
}

} // namespace

std::optional<std::uint16_t> keyCodeForEvdev(std::uint32_t evdevCode)
{
    const auto& table = evdevTable();
    if (const auto it = table.find(evdevCode); it != table.end())
        return it->second;
    return std::nullopt;
}

std::optional<std::uint16_t> keyCodeForQtKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (isModifierKey(key))
        return std::nullopt;
    if (modifiers & Qt::KeypadModifier) {
        if (const auto code = keypadCode(key))
            return code;
    }
    const auto& table = qtKeyTable();
    if (const auto it = table.find(key); it != table.end())
        return it->second;
    return std::nullopt;
}

std::uint64_t modifierFlags(Qt::KeyboardModifiers modifiers)
{
    std::uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= KeyCombo::shiftFlag;
    if (modifiers & Qt::ControlModifier)
        flags |= KeyCombo::controlFlag;
    if (modifiers & Qt::AltModifier)
        flags |= KeyCombo::optionFlag;
    if (modifiers & Qt::MetaModifier)
        flags |= KeyCombo::commandFlag;
    return flags;
}

std::optional<KeyCombo> keyComboForEvent(const QKeyEvent& event)
{
    if (isModifierKey(event.key()))
        return std::nullopt;
    std::optional<std::uint16_t> code;
    const std::uint32_t scanCode = event.nativeScanCode();
    if (scanCode > xkbKeycodeOffset) {
        const std::uint32_t evdev = scanCode - xkbKeycodeOffset;
        if (isModifierEvdev(evdev))
            return std::nullopt;
        code = keyCodeForEvdev(evdev);
    }
    if (!code)
        code = keyCodeForQtKey(event.key(), event.modifiers());
    if (!code)
        return std::nullopt;
    return KeyCombo{*code, modifierFlags(event.modifiers())};
}

} // namespace tessarin

#include "automation/KeyCombo.h"
#include "automation/KeyEventMapping.h"
#include "platform/Localization.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>

using namespace tessarin;

namespace {

constexpr std::uint64_t shift = KeyCombo::shiftFlag;
constexpr std::uint64_t control = KeyCombo::controlFlag;
constexpr std::uint64_t option = KeyCombo::optionFlag;
constexpr std::uint64_t command = KeyCombo::commandFlag;

// A key event as X11/Wayland deliver it: evdev code + 8 as the scan code.
QKeyEvent physicalKey(int qtKey, std::uint32_t evdev, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return QKeyEvent(QEvent::KeyPress, qtKey, modifiers, evdev + 8, 0, 0);
}

QKeyEvent syntheticKey(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return QKeyEvent(QEvent::KeyPress, qtKey, modifiers);
}

} // namespace

TEST(KeyComboTest, DisplayStringPutsModifiersInFixedOrder)
{
    EXPECT_EQ(KeyCombo({40, shift | command}).displayString(), QString::fromUtf8("⇧⌘K"));
    EXPECT_EQ(KeyCombo({18, control | option}).displayString(), QString::fromUtf8("⌃⌥1"));
    EXPECT_EQ(KeyCombo({0, command | shift | option | control}).displayString(), QString::fromUtf8("⌃⌥⇧⌘A"));
    // Caps Lock (and any other bit outside the four) shows nothing.
    EXPECT_EQ(KeyCombo({40, 0x10000}).displayString(), "K");
    EXPECT_EQ(KeyCombo({36, 0}).displayString(), QString::fromUtf8("⏎"));
    EXPECT_EQ(KeyCombo({50, 0}).displayString(), "`");
    EXPECT_EQ(KeyCombo({42, 0}).displayString(), "\\");
}

TEST(KeyComboTest, KeyNamesAndFallback)
{
    EXPECT_EQ(KeyCombo::keyCodeNames().size(), 55u);
    // Printing keys by their caps; the others as their caps name them, in
    // the position codes' numbering (F1 is 122, F8 100, keypad Enter 76);
    // a code of no key at all by its number.
    const std::pair<std::uint16_t, const char*> names[] = {
        { 49, "Spazio" }, { 29, "0" }, { 6, "Z" }, { 122, "F1" }, { 100, "F8" }, { 111, "F12" }, { 90, "F20" },
        { 83, "Tastierino 1" }, { 67, "Tastierino *" }, { 76, "Invio del tastierino" }, { 116, "Pag su" },
        { 117, "Canc" }, { 51, "Backspace" }, { 10, "Tasto 10" }, { 65535, "Tasto 65535" },
    };
    for (const auto& [code, name] : names)
        EXPECT_EQ(KeyCombo::name(code), QString::fromUtf8(name)) << code;
}

TEST(KeyComboTest, ReadersHearTheKeysInWords)
{
    const std::pair<KeyCombo, const char*> spoken[] = {
        { { 40, shift | command }, "Maiusc+Super+K" },
        { { 18, control | option }, "Ctrl+Alt+1" },
        { { 53, 0 }, "Esc" },
        { { 126, control }, "Ctrl+Freccia su" },
        { { 36, 0 }, "Invio" },
        { { 100, 0 }, "F8" },
        { { 49, 0x10000 }, "Spazio" },
    };
    for (const auto& [combo, text] : spoken)
        EXPECT_EQ(combo.spokenString(), QString::fromUtf8(text)) << combo.keyCode;
}

TEST(KeyComboTest, EnglishTexts)
{
    ASSERT_TRUE(Localization::apply("en"));
    EXPECT_EQ(QCoreApplication::translate("KeyCombo", "Spazio"), "Space");
    EXPECT_EQ(KeyCombo::name(122), "F1");
    EXPECT_EQ(KeyCombo::name(9999), "Key 9999");
    EXPECT_EQ(KeyCombo({ 125, shift }).spokenString(), "Shift+Down Arrow");
    ASSERT_TRUE(Localization::apply("it"));
}

TEST(KeyComboTest, JsonRoundTripAndExactText)
{
    EXPECT_EQ(KeyCombo({49, 0}).toJson(), R"({"keyCode":49,"modifiers":0})");
    for (const KeyCombo combo : {KeyCombo{49, 0}, KeyCombo{40, shift | command}, KeyCombo{65535, 0x1F0000}, KeyCombo{1, 1ull << 52}})
        EXPECT_EQ(KeyCombo::fromJson(combo.toJson()), combo);
    EXPECT_NE(KeyCombo({40, shift}), KeyCombo({40, command}));
    // Member order and extra members do not matter.
    EXPECT_EQ(KeyCombo::fromJson(R"({"extra":"x","modifiers":131072,"keyCode":40})"), KeyCombo({40, shift}));
    EXPECT_EQ(KeyCombo::fromJson(R"({"keyCode":49.0,"modifiers":0})"), KeyCombo({49, 0}));
}

TEST(KeyComboTest, UnreadableJson)
{
    for (const char* json : {R"({"keyCode":65536,"modifiers":0})", R"({"keyCode":-1,"modifiers":0})",
                             R"({"keyCode":49})", R"({"modifiers":0})", R"({"keyCode":"49","modifiers":0})",
                             R"({"keyCode":49,"modifiers":-1})", R"({"keyCode":49.5,"modifiers":0})",
                             R"({"keyCode":49,"modifiers":true})", R"({"keyCode":49,"modifiers":1e30})",
                             R"({"keyCode":49,"modifiers":null})",
                             R"([49,0])", "", "{"})
        EXPECT_FALSE(KeyCombo::fromJson(json)) << json;
}

TEST(KeyEventMappingTest, ScanCodeGivesThePhysicalKey)
{
    // The key left of W on a US keyboard gives Q whatever the layout says
    // (an AZERTY layout reports Qt::Key_A for it).
    EXPECT_EQ(keyComboForEvent(physicalKey(Qt::Key_A, 16)), KeyCombo({12, 0}));
    EXPECT_EQ(keyComboForEvent(physicalKey(Qt::Key_Space, 57)), KeyCombo({49, 0}));
    EXPECT_EQ(keyComboForEvent(physicalKey(Qt::Key_Return, 28)), KeyCombo({36, 0}));
    EXPECT_EQ(keyComboForEvent(physicalKey(Qt::Key_Enter, 96, Qt::KeypadModifier)), KeyCombo({76, 0}));
    EXPECT_EQ(keyComboForEvent(physicalKey(Qt::Key_Escape, 1)), KeyCombo({53, 0}));
    EXPECT_EQ(keyComboForEvent(physicalKey(Qt::Key_Exclam, 2, Qt::ShiftModifier)), KeyCombo({18, shift}));
    EXPECT_EQ(keyComboForEvent(physicalKey(Qt::Key_F5, 63)), KeyCombo({96, 0}));
    EXPECT_EQ(keyComboForEvent(physicalKey(Qt::Key_Left, 105)), KeyCombo({123, 0}));
}

TEST(KeyEventMappingTest, SyntheticEventsUseTheQtKey)
{
    EXPECT_EQ(keyComboForEvent(syntheticKey(Qt::Key_Space)), KeyCombo({49, 0}));
    EXPECT_EQ(keyComboForEvent(syntheticKey(Qt::Key_K, Qt::ShiftModifier | Qt::MetaModifier)),
              KeyCombo({40, shift | command}));
    EXPECT_EQ(keyComboForEvent(syntheticKey(Qt::Key_1, Qt::ControlModifier | Qt::AltModifier)),
              KeyCombo({18, control | option}));
    EXPECT_EQ(keyComboForEvent(syntheticKey(Qt::Key_Question, Qt::ShiftModifier)), KeyCombo({44, shift}));
    EXPECT_EQ(keyComboForEvent(syntheticKey(Qt::Key_Enter, Qt::KeypadModifier)), KeyCombo({76, 0}));
    EXPECT_EQ(keyComboForEvent(syntheticKey(Qt::Key_5, Qt::KeypadModifier)), KeyCombo({87, 0}));
    EXPECT_EQ(keyComboForEvent(syntheticKey(Qt::Key_5)), KeyCombo({23, 0}));
    EXPECT_EQ(keyComboForEvent(syntheticKey(Qt::Key_F12)), KeyCombo({111, 0}));
    EXPECT_FALSE(keyComboForEvent(syntheticKey(Qt::Key_unknown)));
}

TEST(KeyEventMappingTest, ModifierKeysAloneAreIgnored)
{
    EXPECT_FALSE(keyComboForEvent(physicalKey(Qt::Key_Shift, 42, Qt::ShiftModifier)));
    EXPECT_FALSE(keyComboForEvent(physicalKey(Qt::Key_Control, 97, Qt::ControlModifier)));
    EXPECT_FALSE(keyComboForEvent(physicalKey(Qt::Key_Super_L, 125)));
    EXPECT_FALSE(keyComboForEvent(physicalKey(Qt::Key_CapsLock, 58)));
    EXPECT_FALSE(keyComboForEvent(syntheticKey(Qt::Key_Alt, Qt::AltModifier)));
    EXPECT_FALSE(keyComboForEvent(syntheticKey(Qt::Key_Meta, Qt::MetaModifier)));
}

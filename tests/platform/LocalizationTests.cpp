#include "platform/Localization.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

using namespace tessarin;

TEST(Localization, EnglishTranslatorIsEmbeddedAndRemovable)
{
    ASSERT_TRUE(Localization::apply("en"));
    EXPECT_EQ(Localization::current(), "en");
    EXPECT_TRUE(QFile::exists(":/i18n/tessarin_en.qm"));
    ASSERT_TRUE(Localization::apply("it"));
    EXPECT_EQ(Localization::current(), "it");
}

TEST(Localization, SystemLanguageIsItalianOrEnglish)
{
    const QString language = Localization::systemLanguage();
    EXPECT_TRUE(language == "it" || language == "en");
}

TEST(Localization, TranslatesItalianSourceTexts)
{
    ASSERT_TRUE(Localization::apply("en"));
    EXPECT_EQ(QCoreApplication::translate("BlockEndBehavior", "Pausa a nero"), "Pause to black");
    ASSERT_TRUE(Localization::apply("it"));
    EXPECT_EQ(QCoreApplication::translate("BlockEndBehavior", "Pausa a nero"), "Pausa a nero");
}

TEST(Localization, QtsOwnDialogTextsFollowTheInterfaceLanguage)
{
    // The file dialogs and standard buttons are Qt's: Italian with the
    // Italian interface, English with the English one.
    ASSERT_TRUE(Localization::apply("it"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Cerca in:");
    ASSERT_TRUE(Localization::apply("en"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
    ASSERT_TRUE(Localization::apply("it"));
}

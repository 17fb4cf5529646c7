// The language page stores the choice at once and offers the restart only
// while the chosen language is not the one the interface runs in.
#include "platform/Settings.h"
#include "ui/kit/Buttons.h"
#include "ui/settings/AppLanguage.h"
#include "ui/settings/LanguageSettingsView.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace tessarin;

namespace {

void choose(LanguageSettingsView& page, AppLanguage::Value value)
{
    const int index = page.languagePicker()->findData(int(value));
    page.languagePicker()->setCurrentIndex(index);
    emit page.languagePicker()->activated(index);
}

TEST(LanguagePage, StoresEachChoiceAndOffersTheRestartOnlyForAnotherLanguage)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath("settings.ini"));
    settings.setString(AppLanguage::kKey, "de");
    LanguageSettingsView page(settings);
    EXPECT_EQ(page.choice(), AppLanguage::system) << "an unknown stored text reads as the system's language";
    EXPECT_EQ(page.languagePicker()->currentIndex(), 0);
    EXPECT_EQ(page.restartButton()->isEnabled(), AppLanguage::systemChoice() != AppLanguage::current());

    const AppLanguage::Value running = AppLanguage::current();
    const AppLanguage::Value other = running == AppLanguage::italian ? AppLanguage::english : AppLanguage::italian;
    choose(page, other);
    EXPECT_EQ(settings.stringValue(AppLanguage::kKey), AppLanguage::rawValue(other));
    EXPECT_TRUE(page.restartButton()->isEnabled());
    choose(page, running);
    EXPECT_EQ(settings.stringValue(AppLanguage::kKey), AppLanguage::rawValue(running));
    EXPECT_FALSE(page.restartButton()->isEnabled());

    // "Riavvia ora" asks to quit; a refused quit leaves nothing pending.
    choose(page, other);
    int asked = 0;
    AppLanguage::setQuitRequest([&asked] {
        ++asked;
        return false;
    });
    page.show();
    QTest::mouseClick(page.restartButton(), Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(AppLanguage::relaunchPending());
    AppLanguage::setQuitRequest(nullptr);
}

} // namespace

// The ATEM and schedule pages write straight into their objects and follow
// them when something else changes them.
#include "SettingsFixture.h"

#include "ui/kit/Controls.h"
#include "ui/kit/Theme.h"
#include "ui/settings/AtemSettingsView.h"
#include "ui/settings/ScheduleSettingsView.h"
#include "ui/settings/StatusDot.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace tessarin;

namespace {

using PagesTest = test::SettingsTest;

TEST_F(PagesTest, AtemPageEditsTheLinkAndShowsItsStatus)
{
    AtemSettingsView page(*atem);
    page.show();
    EXPECT_EQ(page.statusLabel()->text(), "Non connesso");
    EXPECT_EQ(page.statusDot()->color(), Theme::textSecondary());
    EXPECT_EQ(page.inputStepper()->text(), "Ingresso 1");
    EXPECT_FALSE(page.inputStepper()->downButton()->isEnabled());

    QTest::mouseClick(page.enabledSwitch(), Qt::LeftButton);
    EXPECT_TRUE(atem->isEnabled());
    EXPECT_EQ(page.statusLabel()->text(), "Inserisci l'indirizzo IP della regia");
    QTest::keyClicks(page.hostField(), "10.0.0.9");
    EXPECT_EQ(atem->host(), "10.0.0.9");
    EXPECT_EQ(settings->stringValue("Vellumcast.atem.v1.host"), "10.0.0.9");
    EXPECT_EQ(page.statusLabel()->text(), "Inserisci l'indirizzo IP della regia") << "typing does not reconnect";
    QTest::mouseClick(page.enabledSwitch(), Qt::LeftButton);
    QTest::mouseClick(page.enabledSwitch(), Qt::LeftButton);
    EXPECT_EQ(page.statusLabel()->text(), "Integrazione ATEM non ancora collegata");

    atem->setPlayoutInputNumber(39);
    EXPECT_EQ(page.inputStepper()->text(), "Ingresso 39");
    QTest::mouseClick(page.inputStepper()->upButton(), Qt::LeftButton);
    EXPECT_EQ(atem->playoutInputNumber(), 40);
    EXPECT_FALSE(page.inputStepper()->upButton()->isEnabled());
    emit page.inputStepper()->incremented();
    EXPECT_EQ(atem->playoutInputNumber(), 40);
    EXPECT_EQ(settings->intValue("Vellumcast.atem.v1.input"), 40);

    atem->setConnected(true);
    EXPECT_EQ(page.statusLabel()->text(), "Connesso");
    EXPECT_EQ(page.statusDot()->color(), Theme::meterLow());
}

TEST_F(PagesTest, SchedulePageWritesTheTimingsAndLeavesOtherStoredValuesAlone)
{
    ScheduleSettingsView page(*schedule);
    EXPECT_EQ(page.prepPicker()->currentText(), "10 secondi prima");
    EXPECT_EQ(page.prepPicker()->itemText(0), "Mai");
    page.prepPicker()->setCurrentIndex(0);
    emit page.prepPicker()->activated(0);
    EXPECT_EQ(schedule->prepSeconds(), 0);
    EXPECT_EQ(settings->intValue("Vellumcast.schedule.prepSeconds"), 0);

    schedule->setLateToleranceSeconds(7);
    EXPECT_EQ(page.tolerancePicker()->currentIndex(), -1) << "no entry for a value not offered";
    EXPECT_EQ(schedule->lateToleranceSeconds(), 7);
    page.tolerancePicker()->setCurrentIndex(4);
    emit page.tolerancePicker()->activated(4);
    EXPECT_EQ(schedule->lateToleranceSeconds(), 60);
    EXPECT_EQ(page.tolerancePicker()->currentText(), "60 secondi");
}

} // namespace

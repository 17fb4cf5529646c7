#include "automation/AtemTallyMonitor.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace tessarin;

namespace {

const QString enabledKey = "Vellumcast.atem.v1.enabled";
const QString hostKey = "Vellumcast.atem.v1.host";
const QString inputKey = "Vellumcast.atem.v1.input";
const QString noAddress = "Inserisci l'indirizzo IP della regia";
const QString notLinked = "Integrazione ATEM non ancora collegata";

class AtemTallyMonitorTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
};

} // namespace

TEST_F(AtemTallyMonitorTest, FirstStartIsOffWithInputOne)
{
    AtemTallyMonitor atem(settings);
    EXPECT_FALSE(atem.isEnabled());
    EXPECT_EQ(atem.host(), "");
    EXPECT_EQ(atem.playoutInputNumber(), 1);
    EXPECT_FALSE(atem.isConnected());
    EXPECT_FALSE(atem.statusMessage());
    EXPECT_FALSE(atem.onProgramCut);
}

TEST_F(AtemTallyMonitorTest, EverySetterWritesAllThreeSettings)
{
    {
        AtemTallyMonitor atem(settings);
        atem.setHost(" 192.168.1.240 ");
        EXPECT_EQ(settings.boolValue(enabledKey), false);
        EXPECT_EQ(settings.intValue(inputKey), 1);
        atem.setPlayoutInputNumber(7);
        atem.setEnabled(true);
    }
    settings.sync();
    Settings reread(settings.fileName());
    AtemTallyMonitor atem(reread);
    EXPECT_TRUE(atem.isEnabled());
    EXPECT_EQ(atem.host(), " 192.168.1.240 ");
    EXPECT_EQ(atem.playoutInputNumber(), 7);
    // Created with the link on, it waits for the main window to connect.
    EXPECT_FALSE(atem.statusMessage());
}

TEST_F(AtemTallyMonitorTest, StoredValuesOfTheWrongTypeFallBack)
{
    settings.setString(enabledKey, "maybe");
    settings.setString(inputKey, "three");
    {
        AtemTallyMonitor atem(settings);
        EXPECT_FALSE(atem.isEnabled());
        EXPECT_EQ(atem.host(), "");
        EXPECT_EQ(atem.playoutInputNumber(), 1);
    }
    settings.setString(inputKey, "99999999999");
    EXPECT_EQ(AtemTallyMonitor(settings).playoutInputNumber(), 1);
    // A stored 0 (or 41) is used as it is.
    settings.setInt(inputKey, 0);
    settings.setBool(enabledKey, true);
    AtemTallyMonitor atem(settings);
    EXPECT_EQ(atem.playoutInputNumber(), 0);
    EXPECT_TRUE(atem.isEnabled());
}

TEST_F(AtemTallyMonitorTest, StatusFollowsTheSwitchNotTheTyping)
{
    AtemTallyMonitor atem(settings);
    atem.setHost(" \t\u00A0\u2003");
    atem.setEnabled(true);
    EXPECT_EQ(atem.statusMessage(), noAddress);
    EXPECT_FALSE(atem.isConnected());

    // Typing while on leaves the text alone until the link is switched again.
    atem.setHost("10.0.0.5");
    EXPECT_EQ(atem.statusMessage(), noAddress);
    atem.setEnabled(true);
    EXPECT_EQ(atem.statusMessage(), notLinked);
    atem.setHost("");
    EXPECT_EQ(atem.statusMessage(), notLinked);

    atem.setEnabled(false);
    EXPECT_FALSE(atem.statusMessage());
    EXPECT_FALSE(atem.isConnected());
    atem.connect(); // off: nothing
    EXPECT_FALSE(atem.statusMessage());

    // Line breaks are not blanks: the text is not validated as an address.
    atem.setHost("\n");
    atem.setEnabled(true);
    EXPECT_EQ(atem.statusMessage(), notLinked);
}


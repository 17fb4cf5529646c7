#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>

using namespace tessarin;

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("settings.ini"); }
};

TEST_F(SettingsTest, AbsentIsToldApartFromZeroAndEmpty)
{
    Settings settings(path());
    EXPECT_FALSE(settings.doubleValue("Vellumcast.transition.fadeSeconds"));
    EXPECT_FALSE(settings.stringValue("Vellumcast.language"));
    EXPECT_FALSE(settings.boolValue("Vellumcast.atem.v1.enabled"));

    settings.setDouble("Vellumcast.transition.fadeSeconds", 0.0);
    settings.setString("Vellumcast.language", "");
    settings.setBool("Vellumcast.atem.v1.enabled", false);
    settings.setInt("Vellumcast.schedule.prepSeconds", 0);
    settings.sync();

    Settings reread(path());
    EXPECT_EQ(reread.doubleValue("Vellumcast.transition.fadeSeconds"), 0.0);
    EXPECT_EQ(reread.stringValue("Vellumcast.language"), QString(""));
    EXPECT_EQ(reread.boolValue("Vellumcast.atem.v1.enabled"), false);
    EXPECT_EQ(reread.intValue("Vellumcast.schedule.prepSeconds"), 0);
}

TEST_F(SettingsTest, TypedValuesSurviveTheFile)
{
    {
        Settings settings(path());
        settings.setDouble("a.double", 0.1);
        settings.setInt("a.int", -42);
        settings.setBool("a.bool", true);
        settings.setString("a.json", R"({"b":[1,2],"c":"x, y"})");
    }
    Settings settings(path());
    EXPECT_EQ(settings.doubleValue("a.double"), 0.1);
    EXPECT_EQ(settings.intValue("a.int"), -42);
    EXPECT_EQ(settings.boolValue("a.bool"), true);
    EXPECT_EQ(settings.stringValue("a.json"), QString(R"({"b":[1,2],"c":"x, y"})"));
}

TEST_F(SettingsTest, TextThatDoesNotParseReadsAsAbsent)
{
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nnumber=abc\nflag=maybe\nwhole=3.0\nfraction=2.5\n");
    file.close();
    Settings settings(path());
    EXPECT_FALSE(settings.doubleValue("number"));
    EXPECT_FALSE(settings.intValue("number"));
    EXPECT_FALSE(settings.boolValue("flag"));
    EXPECT_EQ(settings.stringValue("flag"), QString("maybe"));
    EXPECT_EQ(settings.intValue("whole"), 3);
    EXPECT_FALSE(settings.intValue("fraction"));
}

TEST_F(SettingsTest, ChangedIsEmittedForEveryWriteAndRemoval)
{
    Settings settings(path());
    QSignalSpy spy(&settings, &Settings::changed);
    settings.setInt("k", 1);
    settings.setInt("k", 1); // unchanged still tells
    settings.remove("k");
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(2).at(0).toString(), "k");
    EXPECT_FALSE(settings.contains("k"));
}

TEST_F(SettingsTest, OnlyTheOwnerMayReadTheFileNewOrOld)
{
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    {
        Settings settings(path());
        settings.setString("Vellumcast.stream.1.url", "rtmp://example.invalid/live/key");
        settings.sync();
    }
    EXPECT_EQ(QFile::permissions(path()), ownerOnly);

    // A file written readable by everyone before is closed up, and stays so
    // when it is saved again.
    const QString old = dir.filePath("old.ini");
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nVellumcast.language=en\n");
    file.close();
    file.setPermissions(ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    Settings settings(old);
    EXPECT_EQ(settings.stringValue("Vellumcast.language"), "en");
    settings.setString("Vellumcast.language", "it");
    settings.sync();
    EXPECT_EQ(QFile::permissions(old), ownerOnly);
    EXPECT_EQ(Settings(old).stringValue("Vellumcast.language"), "it");
}

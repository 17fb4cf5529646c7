// The stored language choice, the relaunch that follows only a confirmed
// quit and waits for the old process, and the About credits.
#include "platform/Settings.h"
#include "ui/settings/AboutPanel.h"
#include "ui/settings/AppLanguage.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

using namespace tessarin;

namespace {

// A stand-in for the program: a script that leaves a mark when started.
QString markingScript(const QTemporaryDir& dir, const QString& mark)
{
    const QString path = dir.filePath(QStringLiteral("program.sh"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(mark).toUtf8());
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

} // namespace

TEST(AppLanguageChoice, StoresTheRawValueAndReadsAnythingElseAsSystem)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("s.ini")));
    EXPECT_EQ(AppLanguage::chosen(settings), AppLanguage::system);
    AppLanguage::setChosen(settings, AppLanguage::english);
    EXPECT_EQ(settings.stringValue(QLatin1String(AppLanguage::kKey)), "en");
    EXPECT_EQ(AppLanguage::chosen(settings), AppLanguage::english);
    EXPECT_EQ(AppLanguage::effective(settings), AppLanguage::english);
    AppLanguage::setChosen(settings, AppLanguage::system);
    EXPECT_EQ(settings.stringValue(QLatin1String(AppLanguage::kKey)), "system");
    EXPECT_EQ(AppLanguage::effective(settings), AppLanguage::systemChoice());
    settings.setString(QLatin1String(AppLanguage::kKey), QStringLiteral("EN"));
    EXPECT_EQ(AppLanguage::chosen(settings), AppLanguage::system);
    EXPECT_EQ(AppLanguage::fromRaw(QStringLiteral("it")), AppLanguage::italian);
    EXPECT_FALSE(AppLanguage::fromRaw(QStringLiteral("de")).has_value());
}

TEST(AppLanguageRelaunch, IsArrangedOnlyWhenTheQuitGoesAhead)
{
    int asked = 0;
    AppLanguage::setQuitRequest([&] { return ++asked == 2; });
    AppLanguage::relaunch(); // "Annulla" in the unsaved-changes question
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(AppLanguage::relaunchPending());
    EXPECT_FALSE(AppLanguage::startPendingRelaunch(QStringLiteral("/bin/true"), 1));
    AppLanguage::relaunch();
    EXPECT_TRUE(AppLanguage::relaunchPending());
    AppLanguage::cancelRelaunch();
    AppLanguage::setQuitRequest({});
}

TEST(AppLanguageRelaunch, TheNewStartWaitsForTheOldProcessToEnd)
{
    QTemporaryDir dir;
    const QString mark = dir.filePath(QStringLiteral("started"));
    const QString program = markingScript(dir, mark);

    QProcess old;
    old.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(old.waitForStarted());
    QProcess waiter;
    waiter.start(QStringLiteral("/bin/sh"), AppLanguage::relaunchCommand(program, old.processId()));
    ASSERT_TRUE(waiter.waitForStarted());
    // Still running: nothing starts (the waiter polls ten times a second).
    EXPECT_FALSE(test::waitUntil([&] { return QFileInfo::exists(mark); }, 0.5));
    old.kill();
    old.waitForFinished();
    EXPECT_TRUE(test::waitUntil([&] { return QFileInfo::exists(mark); }, 10.0));
    waiter.waitForFinished();
}

TEST(AppLanguageRelaunch, AProcessEndedButNotYetReapedCountsAsGone)
{
    QTemporaryDir dir;
    const QString mark = dir.filePath(QStringLiteral("started"));
    const QString program = markingScript(dir, mark);
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    QProcess waiter;
    waiter.start(QStringLiteral("/bin/sh"), AppLanguage::relaunchCommand(program, child));
    ASSERT_TRUE(waiter.waitForStarted());
    EXPECT_TRUE(test::waitUntil([&] { return QFileInfo::exists(mark); }, 10.0));
    waitpid(child, nullptr, 0);
    waiter.waitForFinished();
}

TEST(AboutCredits, LinkTheNoticesOnlyWhenTheyAreInstalled)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("bin")));
    EXPECT_TRUE(AboutPanel::noticesUrl(dir.filePath(QStringLiteral("bin"))).isEmpty());
    const QString without = AboutPanel::credits(QUrl());
    EXPECT_TRUE(without.contains(QStringLiteral("Tessarin usa anche FFmpeg, libsrt e OpenSSL.")));
    EXPECT_FALSE(without.contains(QStringLiteral("<a ")));

    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("share/tessarin")));
    QFile notices(dir.filePath(QStringLiteral("share/tessarin/ThirdPartyNotices.txt")));
    ASSERT_TRUE(notices.open(QIODevice::WriteOnly));
    notices.close();
    const QUrl url = AboutPanel::noticesUrl(dir.filePath(QStringLiteral("bin")));
    ASSERT_TRUE(url.isLocalFile());
    const QString with = AboutPanel::credits(url);
    EXPECT_TRUE(with.contains(QStringLiteral("Licenze dei componenti di terzi")));
    EXPECT_TRUE(with.contains(url.toString(QUrl::FullyEncoded)));
}

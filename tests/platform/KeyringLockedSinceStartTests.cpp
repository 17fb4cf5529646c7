// A keyring locked since its daemon started, as after a login that does not
// unlock it: a gnome-keyring of the test's own, on a bus of its own (this
// process stays bound to the suite's bus), first unlocked to store an item,
// then started again locked, then again unlocked. The reads are made by
// keyring_probe inside each of those sessions.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class KeyringLockedSinceStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty())
            GTEST_SKIP() << "needs gnome-keyring-daemon and dbus-run-session";
        ASSERT_TRUE(dir.isValid());
    }

    // Runs the probe commands in a new bus whose keyring daemon starts
    // unlocked or not; their output. Each session has a runtime directory
    // of its own, so no daemon of an earlier one is found and reused.
    std::string inSession(bool unlocked, const QString& commands)
    {
        const QString runtime = dir.filePath(QStringLiteral("runtime%1").arg(++sessions));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "DBUS_SESSION_BUS_ADDRESS", "GNOME_KEYRING_CONTROL", "XDG_DATA_HOME" })
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("PROBE"), QStringLiteral(TESSARIN_KEYRING_PROBE));
        const QString daemon = unlocked
            ? QStringLiteral("printf tessarin | gnome-keyring-daemon --unlock --components=secrets >/dev/null\n")
            : QStringLiteral("gnome-keyring-daemon --start --components=secrets >/dev/null\n");
        QProcess session;
        session.setProcessEnvironment(environment);
        session.start(QStringLiteral("dbus-run-session"),
                      { QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"), daemon + commands });
        if (!session.waitForFinished(60000)) {
            session.kill();
            session.waitForFinished();
        }
        return session.readAllStandardOutput().toStdString();
    }

    QTemporaryDir dir;
    int sessions = 0;
};

TEST_F(KeyringLockedSinceStart, AStoredItemIsFoundLockedAndToldFromAMissingOne)
{
    const QString store = QStringLiteral("\"$PROBE\" store test.locked stream.1.url rtmp://a.example/live/key && echo stored");
    const QString look = QStringLiteral("\"$PROBE\" lookup test.locked stream.1.url; "
                                        "\"$PROBE\" lookup test.locked stream.2.url");
    ASSERT_EQ(inSession(true, store), "stored\n");
    EXPECT_EQ(inSession(false, look), "locked\nmissing\n");
    // A deletion the lock refuses is no deletion, and asks no unlock.
    EXPECT_EQ(inSession(false, QStringLiteral("\"$PROBE\" remove test.locked stream.1.url; ") + look),
              "kept\nlocked\nmissing\n");
    EXPECT_EQ(inSession(true, look), "text rtmp://a.example/live/key\nmissing\n");
}

} // namespace

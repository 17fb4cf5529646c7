// A destination address held in a keyring that is locked, against the real
// gnome-keyring of the test session: the login keyring is locked over D-Bus
// as a screen lock does, and unlocked again with its password (the test
// runner's, in TESSARIN_KEYRING_PASSWORD) through the daemon's own unlock
// call, as the desktop's unlock dialog does. No prompt is ever raised.
// Runs alone: while the keyring is locked, no other test could store in it.
#include "platform/SecretStore.h"
#include "platform/Settings.h"
#include "streaming/KeychainQueue.h"
#include "streaming/SecretStore.h"
#include "streaming/StreamOutput.h"

#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tessarin;

namespace {

// The Secret Service's transfer form of a secret: (oayays).
struct TransferredSecret {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};

QDBusArgument& operator<<(QDBusArgument& argument, const TransferredSecret& secret)
{
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, TransferredSecret& secret)
{
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(TransferredSecret)

namespace {

const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kServicePath = QStringLiteral("/org/freedesktop/secrets");
const QString kService = QStringLiteral("org.freedesktop.Secret.Service");

// The session's default keyring, locked while this lives.
class LockedDefaultKeyring {
public:
    LockedDefaultKeyring()
    {
        qDBusRegisterMetaType<TransferredSecret>();
        const QDBusReply<QDBusObjectPath> alias = call(kServicePath, kService, "ReadAlias", { QStringLiteral("default") });
        if (!alias.isValid() || alias.value().path() == QLatin1String("/"))
            return;
        collection_ = alias.value();
        const QDBusMessage locked
            = call(kServicePath, kService, "Lock", { QVariant::fromValue(QList<QDBusObjectPath> { collection_ }) });
        isLocked_ = locked.type() == QDBusMessage::ReplyMessage && lockedNow();
    }
    ~LockedDefaultKeyring() { unlock(); }

    bool isLocked() const { return isLocked_; }

    bool lockedNow() const
    {
        const QDBusReply<QDBusVariant> locked = call(collection_.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
            "Get", { QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Locked") });
        return locked.isValid() && locked.value().variant().toBool();
    }

    // With the keyring's password, over a plain transfer session.
    bool unlock()
    {
        if (!isLocked_)
            return true;
        const QByteArray password = qgetenv("TESSARIN_KEYRING_PASSWORD");
        const QDBusMessage opened = call(kServicePath, kService, "OpenSession",
                                         { QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString())) });
        if (opened.type() != QDBusMessage::ReplyMessage || opened.arguments().size() != 2)
            return false;
        const auto session = qvariant_cast<QDBusObjectPath>(opened.arguments().at(1));
        const TransferredSecret secret { session, {}, password, QStringLiteral("text/plain") };
        call(kServicePath, QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
             "UnlockWithMasterPassword", { QVariant::fromValue(collection_), QVariant::fromValue(secret) });
        isLocked_ = lockedNow();
        return !isLocked_;
    }

private:
    // A plain method call: an interface object would introspect the service
    // and keep what it learnt in Qt's cache for the rest of the process.
    QDBusMessage call(const QString& path, const QString& interface, const char* method,
                      const QList<QVariant>& arguments) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(kSecrets, path, interface, QString::fromLatin1(method));
        message.setArguments(arguments);
        return bus_.call(message);
    }

    QDBusConnection bus_ = QDBusConnection::sessionBus();
    QDBusObjectPath collection_;
    bool isLocked_ = false;
};

class LockedKeyring : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS") || !qEnvironmentVariableIsSet("TESSARIN_KEYRING_PASSWORD"))
            GTEST_SKIP() << "no keyring whose password is known: run inside tools/run-tests.sh";
        ASSERT_TRUE(platform::SecretStore::available());
        SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
        settings = std::make_unique<Settings>(dir.filePath("settings.ini"));
    }
    void TearDown() override
    {
        SecretStore::set(std::nullopt, "stream.1.url");
        SecretStore::overrideServiceForTesting(QString());
    }

    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    test::ManualClock clock;
};

TEST_F(LockedKeyring, AStoredAddressBehindALockIsNamedAsSuchAndComesWithTheUnlock)
{
    const QString address = QStringLiteral("rtmp://a.example/live/key");
    SecretStore::set(address, "stream.1.url");
    LockedDefaultKeyring keyring;
    ASSERT_TRUE(keyring.isLocked());

    // The store tells a locked entry from a missing one, and asks no unlock.
    const auto found = SecretStore::lookup("stream.1.url");
    EXPECT_EQ(found.text, std::nullopt);
    EXPECT_TRUE(found.locked);
    EXPECT_FALSE(SecretStore::lookup("stream.2.url").locked) << "no entry is no locked entry";
    EXPECT_TRUE(keyring.lockedNow());

    // The destination says the keyring is locked, beside its empty address
    // and as the failure of a start, not that an address is missing.
    auto output = std::make_unique<StreamOutput>(1, *settings, clock, KeychainQueue::shared());
    ASSERT_TRUE(test::waitUntil([&] { return !output->isLoadingUrl(); }, 20.0));
    EXPECT_TRUE(output->isUrlLocked());
    EXPECT_EQ(output->url(), "");
    output->start({ StreamFormat::Resolution::hd720, StreamFormat::Scan::progressive, StreamFormat::Rate::r30 });
    ASSERT_TRUE(test::waitUntil([&] { return output->status().state == StreamOutput::Status::State::failed; }, 20.0));
    EXPECT_EQ(output->status().message,
              "Il portachiavi è bloccato: sbloccalo per usare l'indirizzo di destinazione salvato");
    EXPECT_TRUE(keyring.lockedNow()) << "a start asks no unlock either";

    // Unlocked, the address comes at the next look, with nothing typed.
    ASSERT_TRUE(keyring.unlock());
    clock.advance(StreamOutput::kUrlLockedRetrySeconds);
    ASSERT_TRUE(test::waitUntil([&] { return output->url() == address; }, 20.0));
    EXPECT_FALSE(output->isUrlLocked());
}

TEST_F(LockedKeyring, AnAddressTypedWhileLockedIsNamedUnstoredAndStoredWithTheUnlock)
{
    const QString address = QStringLiteral("rtmp://b.example/live/typed");
    LockedDefaultKeyring keyring;
    ASSERT_TRUE(keyring.isLocked());
    auto output = std::make_unique<StreamOutput>(1, *settings, clock, KeychainQueue::shared());
    ASSERT_TRUE(test::waitUntil([&] { return !output->isLoadingUrl(); }, 20.0));
    EXPECT_FALSE(output->isUrlNotStored());

    // The refused write is told, the address stays in use, and no unlock is
    // asked for.
    output->setUrl(address);
    clock.advance(StreamOutput::kUrlSavePauseSeconds);
    ASSERT_TRUE(test::waitUntil([&] { return output->isUrlNotStored(); }, 20.0));
    EXPECT_EQ(output->url(), address);
    EXPECT_TRUE(keyring.lockedNow());
    // Still refused at the next try: the state stays.
    clock.advance(StreamOutput::kUrlLockedRetrySeconds);
    ASSERT_TRUE(KeychainQueue::shared()->flush(20.0));
    test::drainMainQueue();
    EXPECT_TRUE(output->isUrlNotStored());
    EXPECT_EQ(SecretStore::lookup("stream.1.url").text, std::nullopt);

    // Unlocked, the next try stores it and the state clears.
    ASSERT_TRUE(keyring.unlock());
    clock.advance(StreamOutput::kUrlLockedRetrySeconds);
    ASSERT_TRUE(test::waitUntil([&] { return !output->isUrlNotStored(); }, 20.0));
    EXPECT_EQ(SecretStore::string("stream.1.url"), address);

    // The next run reads it back.
    output.reset();
    auto next = std::make_unique<StreamOutput>(1, *settings, clock, KeychainQueue::shared());
    ASSERT_TRUE(test::waitUntil([&] { return !next->isLoadingUrl(); }, 20.0));
    EXPECT_EQ(next->url(), address);
    EXPECT_FALSE(next->isUrlNotStored());
}

} // namespace

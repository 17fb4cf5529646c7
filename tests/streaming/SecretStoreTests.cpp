// Keychain entries against the real secret service of the session (the test
// runner provides an unlocked keyring on a private bus).
#include "platform/SecretStore.h"
#include "streaming/SecretStore.h"

#include <QUuid>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tessarin;

namespace {

class SecretStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "no session bus: run inside tools/run-tests.sh";
        ASSERT_TRUE(platform::SecretStore::available());
        SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
    }
    void TearDown() override
    {
        SecretStore::set(std::nullopt, "stream.1.url");
        SecretStore::set(std::nullopt, "stream.2.url");
        SecretStore::overrideServiceForTesting(QString());
    }
};

TEST_F(SecretStoreTest, WritesReplaceAndEmptyOrNilDeletes)
{
    EXPECT_EQ(SecretStore::string("stream.1.url"), std::nullopt);
    SecretStore::set(QStringLiteral("rtmp://a.example/live/kèy"), "stream.1.url");
    EXPECT_EQ(SecretStore::string("stream.1.url"), QStringLiteral("rtmp://a.example/live/kèy"));
    SecretStore::set(QStringLiteral("srt://b:9000"), "stream.1.url");
    EXPECT_EQ(SecretStore::string("stream.1.url"), QStringLiteral("srt://b:9000"));

    SecretStore::set(QStringLiteral("rtmp://two"), "stream.2.url");
    SecretStore::set(QString(), "stream.1.url");
    EXPECT_EQ(SecretStore::string("stream.1.url"), std::nullopt);
    EXPECT_EQ(SecretStore::string("stream.2.url"), QStringLiteral("rtmp://two"));
    SecretStore::set(std::nullopt, "stream.2.url");
    EXPECT_EQ(SecretStore::string("stream.2.url"), std::nullopt);
}

TEST_F(SecretStoreTest, ServicesAreKeptApart)
{
    const QString service = SecretStore::service();
    ASSERT_TRUE(platform::SecretStore::write(service, "stream.1.url", "rtmp://mine"));
    EXPECT_EQ(platform::SecretStore::read(service + ".other", "stream.1.url"), std::nullopt);
    EXPECT_TRUE(platform::SecretStore::remove(service + ".other", "stream.1.url"));
    EXPECT_EQ(platform::SecretStore::read(service, "stream.1.url"), QStringLiteral("rtmp://mine"));
}

} // namespace

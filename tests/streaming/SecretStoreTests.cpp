// Keychain entries against the real secret service of the session (the test
// runner provides an unlocked keyring on a private bus), and a call held by a
// bus that never answers, cut short from another thread.
#include "platform/SecretStore.h"
#include "streaming/SecretStore.h"

#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

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

// Reads from fd until text has come; false at EOF or after the deadline.
bool receive(int fd, const QByteArray& text, int deadlineMs)
{
    QByteArray seen;
    pollfd readable { fd, POLLIN, 0 };
    while (!seen.contains(text)) {
        if (::poll(&readable, 1, deadlineMs) != 1)
            return false;
        char buffer[256];
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        seen.append(buffer, count);
    }
    return true;
}

// The child of the test below: its exit status says what happened.
[[noreturn]] void cancelACallHeldByASilentBus()
{
    QTemporaryDir dir;
    // _Exit runs no destructor: the folder goes first.
    const auto leave = [&dir](int code) {
        dir.remove();
        std::_Exit(code);
    };
    const QByteArray path = dir.filePath("bus").toUtf8();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.constData());
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 4) != 0)
        leave(2);
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).constData(), 1);

    platform::SecretStore::Cancellation cancellation;
    std::promise<std::optional<QString>> answer;
    std::future<std::optional<QString>> answered = answer.get_future();
    std::thread caller([&] { answer.set_value(platform::SecretStore::read("test.silent", "a", &cancellation)); });

    // The call has reached the bus and waits for its answer.
    pollfd pending { listener, POLLIN, 0 };
    if (::poll(&pending, 1, 20000) != 1)
        leave(3);
    const int connection = ::accept(listener, nullptr, nullptr);
    if (!receive(connection, "AUTH", 20000))
        leave(4);
    if (answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
        leave(5);

    cancellation.cancel();
    if (answered.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
        leave(6);
    caller.join();
    const int code = answered.get() == std::nullopt && cancellation.isCancelled() ? 0 : 7;
    dir.remove();
    std::_Exit(code);
}

TEST(SecretStoreCancellation, ACallHeldByABusThatNeverAnswersReturnsOnceCancelled)
{
    // In a fresh process of its own, whose session bus is a socket that
    // takes the connection and never answers.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(cancelACallHeldByASilentBus(), ::testing::ExitedWithCode(0), "");
}

} // namespace

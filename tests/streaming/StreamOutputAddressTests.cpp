// A destination's address against a keychain that does not answer (the gated
// store), and the keychain queue itself: the main thread never waits for the
// keychain, the operator's typing wins over a late stored address and costs
// one write per pause, and the last address typed is stored, also when the
// process ends right after it (against the real keyring).
#include "GatedKeychain.h"

#include "media/FFmpegTools.h"
#include "platform/ProcessEnd.h"
#include "platform/Settings.h"
#include "streaming/KeychainQueue.h"
#include "streaming/SecretStore.h"
#include "streaming/StreamOutput.h"

#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tessarin;
using Status = StreamOutput::Status;
using Writes = std::vector<std::pair<QString, QString>>;

namespace {

const StreamFormat k720p30 { StreamFormat::Resolution::hd720, StreamFormat::Scan::progressive,
                             StreamFormat::Rate::r30 };

TEST(KeychainQueue, WritesToAnAccountCoalesceInTheirFirstPlaceSoTheLastTextIsStored)
{
    auto store = std::make_shared<test::GatedKeychain>();
    auto queue = std::make_shared<KeychainQueue>(store);
    queue->set(QStringLiteral("a1"), "A"); // begins and waits at the gate
    ASSERT_TRUE(test::waitUntil([&] { return store->waiting() == 1; }));
    queue->set(QStringLiteral("a2"), "A");
    queue->set(QStringLiteral("b1"), "B");
    queue->set(QStringLiteral("a3"), "A"); // takes the place of a2, ahead of B
    queue->set(std::nullopt, "B");
    EXPECT_FALSE(queue->flush(0.01)) << "the gate is shut";

    store->open();
    ASSERT_TRUE(queue->flush(10.0));
    EXPECT_EQ(store->writes(), (Writes { { "A", "a1" }, { "A", "a3" }, { "B", "" } }));
    EXPECT_EQ(store->entry("A"), "a3");
    EXPECT_EQ(store->entry("B"), std::nullopt);
}

TEST(KeychainQueue, AbandoningCancelsTheCallInProgressAndDropsTheRestAndWhatComesLater)
{
    auto store = std::make_shared<test::GatedKeychain>();
    auto queue = std::make_shared<KeychainQueue>(store);
    std::optional<std::optional<QString>> read;
    queue->async([&](KeychainQueue::Store& s) { read = s.string("A"); });
    queue->set(QStringLiteral("x"), "A");
    ASSERT_TRUE(test::waitUntil([&] { return store->waiting() == 1; }));

    queue->abandon();
    ASSERT_TRUE(queue->flush(10.0));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, std::nullopt);
    queue->set(QStringLiteral("y"), "A");
    EXPECT_TRUE(queue->flush(10.0));
    store->open();
    EXPECT_TRUE(store->writes().empty());
}

TEST(KeychainQueue, TheEndWaitsForTheWritesOnlyAndDropsTheQueuedTasks)
{
    auto store = std::make_shared<test::GatedKeychain>();
    auto queue = std::make_shared<KeychainQueue>(store);
    int ran = 0;
    queue->async([&](KeychainQueue::Store& s) {
        s.string("A");
        ++ran;
    });
    queue->async([&](KeychainQueue::Store&) { ++ran; });
    ASSERT_TRUE(test::waitUntil([&] { return store->waiting() == 1; }));
    EXPECT_TRUE(queue->finishWrites(10.0)) << "nothing to write: a stuck read holds nothing up";

    queue->set(QStringLiteral("x"), "A");
    EXPECT_FALSE(queue->finishWrites(0.01)) << "the write waits behind the stuck read";
    store->open();
    EXPECT_TRUE(queue->finishWrites(10.0));
    EXPECT_TRUE(queue->flush(10.0));
    EXPECT_EQ(store->writes(), (Writes { { "A", "x" } }));
    EXPECT_EQ(ran, 1) << "the queued task was dropped";
}

class StreamOutputAddressTest : public ::testing::Test {
protected:
    void SetUp() override { settings = std::make_unique<Settings>(dir.filePath("settings.ini")); }
    void TearDown() override
    {
        FFmpegTools::overrideCandidates(std::nullopt);
        store->open();
        queue->flush(10.0);
    }
    std::unique_ptr<StreamOutput> make(int index = 1)
    {
        return std::make_unique<StreamOutput>(index, *settings, clock, queue);
    }
    // Lets the queue finish and runs what it published on the main thread.
    void settle()
    {
        ASSERT_TRUE(queue->flush(10.0));
        test::drainMainQueue();
    }

    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    test::ManualClock clock;
    std::shared_ptr<test::GatedKeychain> store = std::make_shared<test::GatedKeychain>();
    std::shared_ptr<KeychainQueue> queue = std::make_shared<KeychainQueue>(store);
};

TEST_F(StreamOutputAddressTest, AStartBeforeTheStoredAddressComesWaitsForItWithoutHoldingTheMainThread)
{
    FFmpegTools::overrideCandidates(QStringList {}); // a launch fails with "not found"
    store->put("stream.1.url", "rtmp://stored.example/live/key");
    auto one = make(1); // made although the keychain does not answer
    auto two = make(2);
    EXPECT_TRUE(one->isLoadingUrl());
    EXPECT_EQ(one->url(), "");
    ASSERT_TRUE(test::waitUntil([&] { return store->waiting() == 1; })) << "the read is not under way";

    one->start(k720p30);
    EXPECT_EQ(one->status(), Status::connecting());
    EXPECT_TRUE(one->isActive());
    one->stop();
    EXPECT_EQ(one->status(), Status::idle());
    clock.advance(StreamOutput::kUrlWaitSeconds);
    EXPECT_EQ(one->status(), Status::idle()) << "a stopped wait does not fail later";

    one->start(k720p30);
    clock.advance(StreamOutput::kUrlWaitSeconds - 0.01);
    EXPECT_EQ(one->status(), Status::connecting());
    clock.advance(0.01);
    EXPECT_EQ(one->status(), Status::failed("Il portachiavi non ha dato l'indirizzo di destinazione"));

    // When the address comes, a start waiting for it goes on with it.
    one->start(k720p30);
    two->start(k720p30);
    store->open();
    ASSERT_TRUE(test::waitUntil([&] { return !one->isLoadingUrl() && !two->isLoadingUrl(); }));
    EXPECT_EQ(one->url(), "rtmp://stored.example/live/key");
    EXPECT_EQ(two->status(), Status::failed("Inserisci l'indirizzo di destinazione"));
    ASSERT_TRUE(test::waitUntil([&] { return !one->isActive(); }));
    EXPECT_EQ(one->status(), Status::failed("ffmpeg non trovato: serve per lo streaming"));

    settle();
    EXPECT_TRUE(store->writes().empty()) << "the address read is not written back";
    EXPECT_EQ(store->callsFromMainThread(), 0);
}

TEST_F(StreamOutputAddressTest, TypingBeforeTheStoredAddressComesWinsAndCostsOneWrite)
{
    store->put("stream.1.url", "rtmp://stored/old");
    auto out = make(1);
    ASSERT_TRUE(test::waitUntil([&] { return store->waiting() == 1; }));
    int published = 0;
    QObject::connect(out.get(), &StreamOutput::urlChanged, [&] { ++published; });

    QString typed;
    for (QChar c : QStringLiteral("rtmp://typed/key")) {
        typed += c;
        out->setUrl(typed);
        clock.advance(0.1);
    }
    EXPECT_EQ(published, int(typed.size()));
    EXPECT_FALSE(out->isLoadingUrl());
    clock.advance(StreamOutput::kUrlSavePauseSeconds); // a pause: queued behind the stuck read
    typed += QStringLiteral("2");
    out->setUrl(typed);
    clock.advance(StreamOutput::kUrlSavePauseSeconds); // another: takes the queued write's place

    store->open();
    settle();
    EXPECT_EQ(out->url(), typed) << "the late stored address does not replace the typed one";
    EXPECT_EQ(published, int(typed.size()));
    EXPECT_EQ(store->writes(), (Writes { { "stream.1.url", typed } }));
    EXPECT_EQ(store->callsFromMainThread(), 0);
}

TEST_F(StreamOutputAddressTest, AnAddressIsStoredAfterThePauseOrWhenTheOutputStartsOrGoes)
{
    store->open();
    auto out = make(1);
    settle();
    out->setUrl("rtmp://a");
    clock.advance(0.3);
    out->setUrl("rtmp://ab");
    clock.advance(0.3);
    settle();
    EXPECT_TRUE(store->writes().empty()) << "the edits have not paused yet";
    clock.advance(StreamOutput::kUrlSavePauseSeconds - 0.3);
    settle();
    EXPECT_EQ(store->writes(), (Writes { { "stream.1.url", "rtmp://ab" } }));

    out->setUrl("");
    out.reset();
    settle();
    EXPECT_EQ(store->entry("stream.1.url"), std::nullopt) << "the empty address removes the entry";

    FFmpegTools::overrideCandidates(QStringList {});
    auto two = make(2);
    two->setUrl("rtmp://two");
    two->start(k720p30);
    settle();
    EXPECT_EQ(store->entry("stream.2.url"), "rtmp://two");
    EXPECT_EQ(store->writes().size(), 3u);
    ASSERT_TRUE(test::waitUntil([&] { return !two->isActive(); }));
}

TEST_F(StreamOutputAddressTest, AnOldAddressMovesToTheKeychainAlsoWhenTheOperatorTypedFirst)
{
    settings->setString("Vellumcast.stream.1.url", "rtmp://old/one");
    settings->setString("Vellumcast.stream.2.url", "rtmp://old/two");
    auto one = make(1);
    auto two = make(2);
    ASSERT_TRUE(test::waitUntil([&] { return store->waiting() == 1; }));
    EXPECT_EQ(two->url(), "") << "shown once the keychain has been asked";
    two->setUrl("rtmp://new/two");
    clock.advance(StreamOutput::kUrlSavePauseSeconds);

    store->open();
    settle();
    EXPECT_EQ(one->url(), "rtmp://old/one");
    EXPECT_EQ(two->url(), "rtmp://new/two");
    EXPECT_EQ(store->entry("stream.1.url"), "rtmp://old/one");
    EXPECT_EQ(store->entry("stream.2.url"), "rtmp://new/two");
    EXPECT_FALSE(settings->contains("Vellumcast.stream.1.url"));
    EXPECT_FALSE(settings->contains("Vellumcast.stream.2.url"));
}

TEST_F(StreamOutputAddressTest, AnAddressOverTheLimitIsRefusedWhenSetAndOneStoredLongerFailsItsStartWithoutFFmpeg)
{
    FFmpegTools::overrideCandidates(QStringList {}); // a launch would fail with "not found"
    const QString head = QStringLiteral("rtmp://a.example/live/");
    const QString longest = head + QString(StreamOutput::kMaxUrlLength - head.size(), u'k');
    store->put("stream.1.url", head + QString(200000, u'k'));
    store->open();
    auto out = make(1);
    settle();
    // One an older version stored: shown, and refused at the start.
    EXPECT_EQ(out->url().size(), head.size() + 200000);
    out->start(k720p30);
    EXPECT_EQ(out->status(), Status::failed("L'indirizzo è troppo lungo: al massimo 4096 caratteri"));

    EXPECT_TRUE(out->isUrlRefused()) << "refused as it comes, as one set";

    EXPECT_TRUE(out->setUrl(longest));
    EXPECT_FALSE(out->isUrlRefused());
    clock.advance(StreamOutput::kUrlSavePauseSeconds);
    settle();
    EXPECT_EQ(store->entry("stream.1.url"), longest);
    EXPECT_FALSE(out->setUrl(longest + u'k'));
    EXPECT_EQ(out->url(), longest + u'k') << "held as given";
    // Typed a character at a time, the address taken before is the refused
    // one cut short: it is neither started nor kept in the refused one's place.
    EXPECT_TRUE(out->isUrlRefused());
    out->start(k720p30);
    EXPECT_EQ(out->status(), Status::failed("L'indirizzo è troppo lungo: al massimo 4096 caratteri"));
    clock.advance(StreamOutput::kUrlSavePauseSeconds);
    settle();
    EXPECT_EQ(store->entry("stream.1.url"), std::nullopt) << "the keychain forgets the address cut short";
    EXPECT_TRUE(out->setUrl(longest.chopped(1)));
    EXPECT_FALSE(out->isUrlRefused());
    out->start(k720p30);
    EXPECT_NE(out->status(), Status::failed("L'indirizzo è troppo lungo: al massimo 4096 caratteri"));
}

TEST(StreamOutputAddressAtQuit, AnAddressTypedRightBeforeTheEndIsStoredInTheKeychain)
{
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "no session bus: run inside tools/run-tests.sh";
    // The child runs this test again from the start: it finds the service
    // chosen here in its environment.
    const char* variable = "TESSARIN_TEST_QUIT_SERVICE";
    if (!qEnvironmentVariableIsSet(variable))
        qputenv(variable, ("test." + QUuid::createUuid().toString(QUuid::WithoutBraces)).toUtf8());
    const QString service = qEnvironmentVariable(variable);
    SecretStore::overrideServiceForTesting(service);
    QTemporaryDir dir;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Settings settings(dir.filePath("settings.ini"));
            auto out = std::make_unique<StreamOutput>(1, settings);
            out->setUrl("rtmp://typed.example/live/last");
            out.reset(); // the window goes with the edit still waiting for its pause
            const int code = ProcessEnd::finish(0, 10.0);
            dir.remove(); // exit runs no destructor of this scope
            std::exit(code);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(SecretStore::string("stream.1.url"), "rtmp://typed.example/live/last");
    SecretStore::set(std::nullopt, "stream.1.url");
    SecretStore::overrideServiceForTesting(QString());
    qunsetenv(variable);
}

} // namespace

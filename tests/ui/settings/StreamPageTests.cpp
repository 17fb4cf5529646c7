// The streaming page and its rows over the real stream manager: the format
// and the destinations' settings, the rows over a keychain that does not
// answer, and one destination streamed from its row to an ffmpeg RTMP
// listener on 127.0.0.1 and stopped again.
#include "SettingsFixture.h"
#include "media/LiveTestSupport.h"
#include "streaming/FakeFFmpeg.h"
#include "streaming/GatedKeychain.h"

#include "media/FFmpegTools.h"
#include "platform/ChildProcess.h"
#include "platform/SecretStore.h"
#include "streaming/KeychainQueue.h"
#include "streaming/SecretStore.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Theme.h"
#include "ui/settings/StreamRow.h"
#include "ui/settings/StreamSettingsView.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>


using namespace tessarin;
using Status = StreamOutput::Status;

namespace {

class StreamPageTest : public test::SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        tessarin::SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
        page = std::make_unique<StreamSettingsView>(*streams);
        page->show();
    }
    void TearDown() override
    {
        for (const auto& out : streams->outputs()) {
            out->stop();
            test::waitUntil([&] { return !out->isActive(); }, StreamOutput::kStopFlushLimitSeconds + StreamOutput::kKillGraceSeconds + 20.0);
            out->setUrl(QString());
            out->saveUrlNow();
        }
        page.reset();
        // The deletions go under this test's service.
        KeychainQueue::shared()->flush(30.0);
        tessarin::SecretStore::overrideServiceForTesting(QString());
        SettingsTest::TearDown();
    }
    StreamRow& row(int index) { return *page->rows().at(index); }
    // A page of its own over a test keychain that is locked, once the first
    // output has looked for its address.
    struct LockedPage {
        std::unique_ptr<StreamManager> manager;
        std::unique_ptr<StreamSettingsView> view;
        StreamOutput& output() const { return *manager->outputs()[0]; }
        StreamRow& row(int index) const { return *view->rows().at(index); }
    };
    LockedPage lockedPageOver(const std::shared_ptr<test::GatedKeychain>& store)
    {
        store->setLocked(true);
        LockedPage page;
        page.manager = std::make_unique<StreamManager>(
            *settings, [](int w, int h, double) { return std::make_shared<test::NumberedFrames>(w, h); }, audio, clock,
            std::make_shared<KeychainQueue>(store));
        page.view = std::make_unique<StreamSettingsView>(*page.manager);
        page.view->show();
        EXPECT_TRUE(test::waitUntil([&] { return !page.output().isLoadingUrl(); }));
        return page;
    }
    static void choose(QComboBox* box, const QString& text)
    {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    static void click(SegmentedControl* control, int index) { QTest::mouseClick(control->segment(index), Qt::LeftButton); }

    std::unique_ptr<StreamSettingsView> page;
};

TEST_F(StreamPageTest, TheFormatIsWrittenWholeAndShownAsTheManagerNormalisesIt)
{
    ASSERT_EQ(page->rows().size(), 2);
    choose(page->ratePicker(), "30 fps");
    EXPECT_EQ(page->summaryLabel()->text(), "720p30");

    click(page->scanPicker(), 1);
    EXPECT_EQ(streams->format(), (StreamFormat { StreamFormat::Resolution::hd1080, StreamFormat::Scan::interlaced,
                                                 StreamFormat::Rate::r30 }));
    EXPECT_EQ(page->summaryLabel()->text(), "1080i60");
    EXPECT_FALSE(page->resolutionPicker()->isEnabled());
    EXPECT_EQ(page->resolutionPicker()->currentText(), "1080p");
    EXPECT_EQ(page->resolutionPicker()->toolTip(), "L'interlacciato è disponibile in 1080");
    ASSERT_EQ(page->ratePicker()->count(), 3);
    EXPECT_EQ(page->ratePicker()->currentText(), "60i (30 fps)");
    // Both rows switch to the interlaced codec choice.
    EXPECT_TRUE(row(0).interlacedCodecPicker()->isVisibleTo(&row(0)));
    EXPECT_FALSE(row(1).codecPicker()->isVisibleTo(&row(1)));

    choose(page->ratePicker(), "59,94i (29,97 fps)");
    click(page->scanPicker(), 0);
    EXPECT_EQ(page->summaryLabel()->text(), "1080p29,97");
    EXPECT_EQ(page->ratePicker()->count(), 8);
    EXPECT_TRUE(page->resolutionPicker()->isEnabled());

    // A second view over the same manager (the top bar's popover) follows.
    StreamSettingsView popover(*streams);
    choose(page->ratePicker(), "50 fps");
    EXPECT_EQ(popover.summaryLabel()->text(), "1080p50");
    click(popover.scanPicker(), 1);
    EXPECT_EQ(page->summaryLabel()->text(), "1080i50");
}

TEST_F(StreamPageTest, TheRowShowsTheCodecTheDestinationWillReallyUse)
{
    StreamOutput& out = *streams->outputs()[0];
    out.setKind(StreamOutput::Kind::rtmp);
    out.setVideoCodec(StreamOutput::VideoCodec::h265);
    EXPECT_EQ(row(0).codecPicker()->currentIndex(), 1) << "RTMP sends H.264";
    EXPECT_FALSE(row(0).codecPicker()->isEnabled());
    EXPECT_TRUE(row(0).codecNote()->text().startsWith("RTMP trasmette in H.264"));

    click(row(0).kindPicker(), 1);
    EXPECT_EQ(out.kind(), StreamOutput::Kind::srt);
    EXPECT_EQ(row(0).codecPicker()->currentIndex(), 0);
    EXPECT_TRUE(row(0).codecPicker()->isEnabled());
    EXPECT_TRUE(row(0).codecNote()->text().startsWith("H.265 è il codec abituale"));
    EXPECT_EQ(row(0).addressField()->placeholderText(), "srt://server:porta?mode=caller");

    // Interlaced RTMP with MPEG-2 warns ahead of time, and fails when started.
    click(row(0).kindPicker(), 0);
    click(page->scanPicker(), 1);
    click(row(0).interlacedCodecPicker(), 0);
    EXPECT_EQ(row(0).codecNote()->text(), "MPEG-2 non si può inviare in RTMP: scegli SRT oppure H.264.");
    EXPECT_EQ(row(0).codecNote()->palette().color(QPalette::WindowText), Theme::cue());
    QTest::keyClicks(row(0).addressField(), "rtmp://127.0.0.1:1/live");
    QTest::mouseClick(row(0).startStopButton(), Qt::LeftButton);
    EXPECT_EQ(out.status().state, Status::State::failed);
    EXPECT_EQ(row(0).statusText(), "Errore");
    EXPECT_TRUE(row(0).failureLabel()->isVisibleTo(&row(0)));
    EXPECT_EQ(row(0).failureLabel()->text(), out.status().message);
    EXPECT_EQ(row(0).startStopButton()->text(), "Avvia");
    EXPECT_TRUE(page->formatRow()->isEnabled());

    click(row(1).kindPicker(), 1);
    choose(row(1).bitratePicker(), "12.0 Mbit/s");
    EXPECT_EQ(streams->outputs()[1]->bitrateKbps(), 12000);
    EXPECT_EQ(streams->outputs()[0]->bitrateKbps(), 4000) << "each row edits its own destination";
}

TEST_F(StreamPageTest, AnAddressOverTheLimitIsShownWholeRefusedWithItsNoteNeverStoredNorStartedWhereverItComesFrom)
{
    const QString head = QStringLiteral("rtmp://a.example/live/");
    const QString longest = head + QString(StreamOutput::kMaxUrlLength - head.size(), u'k');
    const QString note = QStringLiteral("L'indirizzo è troppo lungo: al massimo 4096 caratteri");
    enum class Source { typed, pasted, stored };
    struct Case {
        const char* name;
        Source source;
        QString address; // what the field holds in the end
    };
    const Case cases[] = {
        // A key at a time: the address at the limit is taken (and stored at
        // the pause) before the keys that go past it.
        { "typed", Source::typed, longest + QStringLiteral("kk") },
        // Past QLineEdit's own maximum, which would cut it without a word.
        { "pasted", Source::pasted, head + QString(40000, u'k') },
        { "stored by an older version", Source::stored, head + QString(40000, u'k') },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_shared<test::GatedKeychain>();
        store->put("stream.1.url", c.source == Source::stored ? c.address : QStringLiteral("rtmp://old/key"));
        store->open();
        auto keychain = std::make_shared<KeychainQueue>(store);
        StreamManager streams(
            *settings, [](int w, int h, double) { return std::make_shared<test::NumberedFrames>(w, h); }, audio,
            clock, keychain);
        StreamSettingsView view(streams);
        view.show();
        StreamOutput& out = *streams.outputs()[0];
        StreamRow& row = *view.rows().at(0);
        QLineEdit* field = row.addressField();
        const auto settle = [&] {
            clock.advance(StreamOutput::kUrlSavePauseSeconds);
            ASSERT_TRUE(keychain->flush(10.0));
            test::drainMainQueue();
        };
        ASSERT_TRUE(test::waitUntil([&] { return !out.isLoadingUrl(); }));
        test::drainMainQueue();
        if (c.source == Source::typed) {
            field->selectAll();
            field->insert(longest);
            settle();
            EXPECT_EQ(store->entry("stream.1.url"), longest);
            EXPECT_FALSE(row.tooLongNote()->isVisibleTo(&row));
            QTest::keyClicks(field, "kk");
        } else if (c.source == Source::pasted) {
            field->selectAll();
            field->insert(c.address);
        }
        settle();
        EXPECT_EQ(field->text(), c.address) << "the field cuts nothing";
        EXPECT_EQ(out.url(), c.address);
        EXPECT_TRUE(out.isUrlRefused());
        EXPECT_TRUE(row.tooLongNote()->isVisibleTo(&row));
        EXPECT_EQ(row.tooLongNote()->text(), note);
        // Neither it nor an address taken before it is stored for the next
        // start (one an older version stored is left as it was, refused).
        EXPECT_EQ(store->entry("stream.1.url"),
                  c.source == Source::stored ? std::optional<QString>(c.address) : std::nullopt);
        QTest::mouseClick(row.startStopButton(), Qt::LeftButton);
        EXPECT_EQ(out.status(), Status::failed(note));
        EXPECT_FALSE(out.isActive());

        // One key back under the limit: taken, stored, no note.
        field->setFocus();
        field->selectAll();
        field->insert(longest);
        settle();
        EXPECT_FALSE(out.isUrlRefused());
        EXPECT_FALSE(row.tooLongNote()->isVisibleTo(&row));
        EXPECT_EQ(store->entry("stream.1.url"), longest);
    }
}

TEST_F(StreamPageTest, RowsTakeTypingWhileTheKeychainIsStuckAndShowTheStoredAddressWhenItComes)
{
    auto store = std::make_shared<test::GatedKeychain>();
    store->put("stream.1.url", "rtmp://stored.example/live/one");
    store->put("stream.2.url", "srt://stored.example:9000");
    auto keychain = std::make_shared<KeychainQueue>(store);
    StreamManager stuck(
        *settings, [](int w, int h, double) { return std::make_shared<test::NumberedFrames>(w, h); }, audio, clock,
        keychain);
    StreamSettingsView view(stuck);
    view.show();
    ASSERT_TRUE(test::waitUntil([&] { return store->waiting() == 1; })) << "the read is not under way";
    StreamRow& first = *view.rows().at(0);
    StreamRow& second = *view.rows().at(1);
    EXPECT_EQ(first.addressField()->text(), "");

    const QString typed = QStringLiteral("rtmp://typed.example/live/key");
    QTest::keyClicks(first.addressField(), typed);
    EXPECT_EQ(stuck.outputs()[0]->url(), typed);
    clock.advance(StreamOutput::kUrlSavePauseSeconds);
    // Started before its address has come, the second waits for it.
    QTest::mouseClick(second.startStopButton(), Qt::LeftButton);
    EXPECT_EQ(second.statusText(), QStringLiteral("Connessione…"));
    EXPECT_EQ(second.startStopButton()->text(), "Ferma");

    store->open();
    ASSERT_TRUE(test::waitUntil([&] { return !stuck.outputs()[1]->isLoadingUrl(); }));
    ASSERT_TRUE(keychain->flush(10.0));
    test::drainMainQueue();
    EXPECT_EQ(first.addressField()->text(), typed) << "the stored address does not overwrite the typing";
    EXPECT_EQ(second.addressField()->text(), "srt://stored.example:9000");
    // The start went on with the address that came: an SRT address on RTMP.
    EXPECT_EQ(stuck.outputs()[1]->status(), Status::failed("L'indirizzo deve iniziare con rtmp://"));
    EXPECT_EQ(second.statusText(), "Errore");
    EXPECT_EQ(store->entry("stream.1.url"), typed);
    EXPECT_EQ(store->writes().size(), 1u) << "one write for the whole address";
    EXPECT_EQ(store->callsFromMainThread(), 0);
}

TEST_F(StreamPageTest, ARowSaysTheKeyringIsLockedAndShowsTheAddressOnceItIsUnlocked)
{
    auto store = std::make_shared<test::GatedKeychain>(true);
    store->put("stream.1.url", "rtmp://stored.example/live/one");
    const LockedPage page = lockedPageOver(store);
    StreamOutput& output = page.output();
    StreamRow& first = page.row(0);
    StreamRow& second = page.row(1);
    EXPECT_EQ(first.addressField()->text(), "");
    EXPECT_TRUE(first.lockedNote()->isVisible());
    EXPECT_FALSE(second.lockedNote()->isVisible()) << "nothing is stored for the second";

    QTest::mouseClick(first.startStopButton(), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return output.status().state == Status::State::failed; }));
    EXPECT_EQ(first.failureLabel()->text(),
              "Il portachiavi è bloccato: sbloccalo per usare l'indirizzo di destinazione salvato");

    store->setLocked(false);
    clock.advance(StreamOutput::kUrlLockedRetrySeconds);
    ASSERT_TRUE(test::waitUntil([&] {
        test::drainMainQueue();
        return first.addressField()->text() == "rtmp://stored.example/live/one";
    }));
    EXPECT_FALSE(first.lockedNote()->isVisible());
    EXPECT_TRUE(store->writes().empty()) << "the address read is not written back";
    EXPECT_EQ(store->callsFromMainThread(), 0);
}

TEST_F(StreamPageTest, ARowSaysWhenTheKeyringDidNotStoreTheAddressTypedUntilItDoes)
{
    auto store = std::make_shared<test::GatedKeychain>(true);
    const LockedPage page = lockedPageOver(store);
    StreamOutput& output = page.output();
    StreamRow& first = page.row(0);
    EXPECT_FALSE(first.notStoredNote()->isVisible());

    const QString typed = QStringLiteral("rtmp://typed.example/live/key");
    QTest::keyClicks(first.addressField(), typed);
    clock.advance(StreamOutput::kUrlSavePauseSeconds);
    ASSERT_TRUE(test::waitUntil([&] {
        test::drainMainQueue();
        return first.notStoredNote()->isVisible();
    }));
    EXPECT_EQ(first.notStoredNote()->text(),
              "Il portachiavi non ha salvato l'indirizzo: lo riprovo quando sarà sbloccato.");
    EXPECT_EQ(first.addressField()->text(), typed);
    EXPECT_EQ(store->refusedWrites(), 1) << "one write for the whole address";

    store->setLocked(false);
    clock.advance(StreamOutput::kUrlLockedRetrySeconds);
    ASSERT_TRUE(test::waitUntil([&] {
        test::drainMainQueue();
        return !first.notStoredNote()->isVisible();
    }));
    EXPECT_EQ(store->entry("stream.1.url"), typed);
    EXPECT_EQ(first.addressField()->text(), typed);
    EXPECT_EQ(store->callsFromMainThread(), 0);
}

TEST_F(StreamPageTest, ALiveRowTellsHowManyFramesTheStreamDidNotCarry)
{
    // An encoder that goes live and then takes nothing: once a second of
    // pictures waits for it, the next ones are refused. The row says so at
    // the next tick of the live clock, and not once the run is over.
    QTemporaryDir dir;
    const QString stalled = test::writeFakeFFmpeg(dir, "stalled", test::kAllEncoders, test::kAllProtocols,
                                                  "printf 'progress=continue\\n' >&4; exec sleep 60");
    FFmpegTools::overrideCandidates(QStringList { stalled });
    struct Reset {
        ~Reset() { FFmpegTools::overrideCandidates(std::nullopt); }
    } reset;
    StreamManager manager(*settings, [](int w, int h, double) { return std::make_shared<test::NumberedFrames>(w, h); },
                          audio, clock, std::make_shared<KeychainQueue>(std::make_shared<test::GatedKeychain>(true)));
    StreamSettingsView view(manager);
    view.show();
    StreamOutput& out = *manager.outputs()[0];
    StreamRow& first = *view.rows().at(0);
    out.setUrl("rtmp://127.0.0.1/live");
    out.start(manager.format());
    ASSERT_TRUE(test::waitUntil([&] {
        test::drainMainQueue();
        return out.status() == Status::live();
    })) << out.status().message.toStdString();
    EXPECT_FALSE(first.droppedNote()->isVisible());

    const int queued = int(std::ceil(StreamFormat::rateNumerator(manager.format().rate)
                                     / double(StreamFormat::rateDenominator(manager.format().rate))));
    static_assert(640 * 480 * 4 > StreamOutput::kVideoPipeBytes, "a picture waits for the reader");
    const auto picture = VideoFrame::create(640, 480);
    for (int i = 0; i < queued + 5; ++i)
        out.submit(picture);
    ASSERT_EQ(out.droppedFrames(), 5);
    EXPECT_FALSE(first.droppedNote()->isVisible()) << "published with the live clock";
    clock.advance(1.0);
    EXPECT_EQ(out.runDroppedFrames(), 5);
    EXPECT_TRUE(first.droppedNote()->isVisible());
    EXPECT_EQ(first.droppedNote()->text(), "Fotogrammi non trasmessi: 5 (la codifica non tiene il passo)");

    out.stop();
    clock.advance(StreamOutput::kStopFlushSeconds);
    clock.advance(StreamOutput::kKillGraceSeconds);
    ASSERT_TRUE(test::waitUntil([&] {
        test::drainMainQueue();
        return !out.isActive();
    }));
    EXPECT_FALSE(first.droppedNote()->isVisible());
}

class StreamRowEndToEnd : public StreamPageTest {
protected:
    void TearDown() override
    {
        StreamPageTest::TearDown();
        if (receiver)
            receiver->terminateAndWait(2.0);
    }
    std::optional<ChildProcess> receiver;
};

TEST_F(StreamRowEndToEnd, ARowStartedAgainstAListenerGoesLiveMeasuresAndStops)
{
    const int port = test::freeTcpPort();
    const QString url = QStringLiteral("rtmp://127.0.0.1:%1/live/secretkey").arg(port);
    receiver = ChildProcess::spawn("/usr/bin/ffmpeg",
                                   { "-hide_banner", "-loglevel", "error", "-nostdin", "-listen", "1", "-timeout", "30",
                                     "-i", url, "-c", "copy", "-f", "null", "-" },
                                   {});
    ASSERT_TRUE(receiver);
    ASSERT_TRUE(test::waitUntil([&] { return test::tcpPortInUse(port); }, 20.0)) << "the listener never came up";

    StreamOutput& out = *streams->outputs()[0];
    StreamRow& first = row(0);
    choose(page->ratePicker(), "25 fps");
    choose(first.bitratePicker(), "1.5 Mbit/s");
    // The keyring may hold an address from an earlier run: once it has come,
    // the operator replaces it.
    ASSERT_TRUE(test::waitUntil([&] { return !out.isLoadingUrl(); }, 20.0));
    first.addressField()->selectAll();
    QTest::keyClicks(first.addressField(), url);
    EXPECT_EQ(out.url(), url);

    QTest::mouseClick(first.startStopButton(), Qt::LeftButton);
    EXPECT_TRUE(out.isActive());
    EXPECT_EQ(first.startStopButton()->text(), "Ferma");
    EXPECT_FALSE(page->formatRow()->isEnabled()) << "the format is locked while streaming";
    EXPECT_FALSE(first.addressField()->parentWidget()->isEnabled());
    EXPECT_TRUE(row(1).addressField()->parentWidget()->isEnabled()) << "the other destination stays editable";

    ASSERT_TRUE(test::waitUntil([&] { return out.status().state != Status::State::connecting; }, 30.0));
    ASSERT_EQ(out.status(), Status::live()) << out.status().message.toStdString();
    EXPECT_EQ(first.statusText(), "IN DIRETTA");
    EXPECT_EQ(first.statusColor(), Theme::onAir());
    ASSERT_TRUE(test::waitUntil([&] { return first.rateLabel()->isVisibleTo(&first); }, 20.0)) << "no rate measured";
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d Mbit/s$").match(first.rateLabel()->text()).hasMatch())
        << first.rateLabel()->text().toStdString();
    const QString startElapsed = first.elapsedLabel()->text();
    EXPECT_TRUE(test::waitUntil([&] { return first.elapsedLabel()->text() > startElapsed; }, 10.0))
        << "the elapsed time does not tick";

    QTest::mouseClick(first.startStopButton(), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return !out.isActive(); }, StreamOutput::kStopFlushLimitSeconds + StreamOutput::kKillGraceSeconds + 20.0));
    EXPECT_EQ(out.status(), Status::idle());
    EXPECT_EQ(first.statusText(), "Fermo");
    EXPECT_EQ(first.startStopButton()->text(), "Avvia");
    EXPECT_TRUE(page->formatRow()->isEnabled());
    EXPECT_TRUE(first.addressField()->parentWidget()->isEnabled());

    // The address with its key lives in the keychain only.
    settings->sync();
    QFile ini(settings->fileName());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ini.readAll().contains("secretkey"));
    if (!platform::SecretStore::available())
        GTEST_SKIP() << "no secret service on this bus: the keychain half is not checked";
    ASSERT_TRUE(KeychainQueue::shared()->flush(30.0));
    EXPECT_EQ(tessarin::SecretStore::string("stream.1.url"), url);
}

} // namespace

// What the screen reader is told about the program: each change once, with
// the item's, block's or event's name, in the order the operator lives it.
#include "app/OnAirAnnouncements.h"
#include "automation/ScheduleController.h"
#include "engine/OverlayLayer.h"
#include "engine/EngineFixture.h"
#include "media/MediaBlock.h"
#include "streaming/SecretStore.h"
#include "streaming/KeychainQueue.h"
#include "streaming/StreamOutput.h"

#include <QStringList>

#include <functional>

using namespace tessarin;
using namespace tessarin::test;

namespace {

class OnAirAnnouncementsTest : public EngineTest {
protected:
    Announce recorder()
    {
        return [this](const QString& text, Politeness politeness) {
            heard << text;
            politenesses.push_back(politeness);
        };
    }
    QStringList heard;
    std::vector<Politeness> politenesses;
};

} // namespace

TEST_F(OnAirAnnouncementsTest, CueTakeNearEndAndBlockEndAreEachSaidOnce)
{
    makeEngine(TransitionStyle::cut);
    auto sigla = file(QStringLiteral("Sigla"), 30.0);
    auto block = blockOf({ sigla });
    block->setName(QStringLiteral("Apertura"));
    OnAirAnnouncements announcements(*engine, nullptr, {}, recorder());

    engine->cue(sigla, block);
    engine->select(sigla, block); // another change of the engine, no new cue
    EXPECT_EQ(heard, QStringList { "In cue: Sigla" });
    engine->takeCued();
    run(1.0);
    EXPECT_EQ(heard, (QStringList { "In cue: Sigla", "In onda: Sigla" }));
    ASSERT_TRUE(runUntil([&] { return !engine->isPlaying(); }));
    run(1.0);
    EXPECT_EQ(heard, (QStringList { "In cue: Sigla", "In onda: Sigla", "In chiusura: Sigla", "Blocco terminato: Apertura" }));
}

TEST_F(OnAirAnnouncementsTest, TheNearEndIsSaidOncePerItemAfterItsStart)
{
    // What happens in the item's last seconds, and the warnings heard.
    struct Case {
        const char* what;
        double length;
        std::function<void(PlaylistEngine&)> act;
        int warnings;
    };
    const std::vector<Case> cases {
        { "a short item, in its last seconds from its start", 3.0, [](PlaylistEngine&) {}, 1 },
        { "a pause and resume in the last seconds", 30.0,
          [this](PlaylistEngine& e) {
              e.togglePlayPause();
              run(1.0);
              e.togglePlayPause();
          },
          1 },
        { "a seek back before the last seconds", 30.0, [](PlaylistEngine& e) { e.seek(0.1, true); }, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        heard.clear();
        makeEngine(TransitionStyle::cut);
        auto item = file(QStringLiteral("Breve"), c.length);
        auto block = blockOf({ item });
        block->setName(QStringLiteral("Apertura"));
        OnAirAnnouncements announcements(*engine, nullptr, {}, recorder());
        engine->play(block);
        ASSERT_TRUE(runUntil([&] { return engine->isNearEnd(); }, c.length));
        run(0.5);
        c.act(*engine);
        ASSERT_TRUE(runUntil([&] { return !engine->isPlaying(); }, c.length + 5.0));
        run(1.0);
        EXPECT_EQ(heard.count("In chiusura: Breve"), c.warnings) << heard.join('|').toStdString();
        EXPECT_EQ(heard.first(), "In onda: Breve");
        EXPECT_EQ(heard.indexOf("In chiusura: Breve"), 1) << heard.join('|').toStdString();
        EXPECT_EQ(heard.last(), "Blocco terminato: Apertura");
        engine.reset();
    }
}

TEST_F(OnAirAnnouncementsTest, PauseResumeAndStopAreEachSaidOnceWithTheItem)
{
    makeEngine(TransitionStyle::cut);
    auto sigla = file(QStringLiteral("Sigla"), 30.0);
    auto block = blockOf({ sigla });
    OnAirAnnouncements announcements(*engine, nullptr, {}, recorder());

    engine->play(block);
    run(1.0);
    engine->togglePlayPause();
    run(1.0);
    engine->togglePlayPause();
    run(1.0);
    engine->stop();
    run(1.0);
    EXPECT_EQ(heard, (QStringList { "In onda: Sigla", "In pausa: Sigla", "Ripresa: Sigla", "Fermato: Sigla" }));
}

TEST_F(OnAirAnnouncementsTest, ALoopingItemIsNeverSaidToEndUntilItsLoopIsOff)
{
    makeEngine(TransitionStyle::cut);
    auto still = file(QStringLiteral("Logo"), 5.0);
    still->setLoop(true);
    auto block = blockOf({ still });
    OnAirAnnouncements announcements(*engine, nullptr, {}, recorder());

    engine->play(block);
    run(12.0); // laps
    EXPECT_EQ(heard, QStringList { "In onda: Logo" });
    still->setLoop(false);
    ASSERT_TRUE(runUntil([&] { return heard.size() > 1; }, 10.0)) << heard.join('|').toStdString();
    EXPECT_EQ(heard.at(1), "In chiusura: Logo");
    EXPECT_EQ(heard.count("In chiusura: Logo"), 1);
}

TEST_F(OnAirAnnouncementsTest, AnOverlayLayerShownOrHiddenIsSaidWithItsTitle)
{
    makeEngine(TransitionStyle::cut);
    OnAirAnnouncements announcements(*engine, nullptr, {}, recorder());
    const auto& layer = engine->overlays().layers().at(0);
    layer->setIsVisible(true);
    layer->setIsVisible(true); // already shown: nothing new
    layer->setIsVisible(false);
    EXPECT_EQ(heard, (QStringList { "Layer in onda: " + layer->title(), "Layer nascosto: " + layer->title() }));
}

TEST_F(OnAirAnnouncementsTest, AnItemThatCannotPlayIsSaidAssertivelyAndTheNextOnAir)
{
    makeEngine(TransitionStyle::cut);
    auto broken = file(QStringLiteral("Rotto"));
    media->failing.insert(pathOf(broken));
    auto next = file(QStringLiteral("Dopo"));
    auto block = blockOf({ broken, next });
    OnAirAnnouncements announcements(*engine, nullptr, {}, recorder());

    engine->play(block);
    ASSERT_TRUE(runUntil([&] { return onAir(next); }, 10.0));
    run(1.0);
    // Never played, so never said to be on air.
    EXPECT_EQ(heard, (QStringList { "Impossibile riprodurre: Rotto", "In onda: Dopo" }));
    EXPECT_EQ(politenesses.front(), Politeness::assertive);
}

TEST_F(OnAirAnnouncementsTest, AStartByTheScheduleAndItsSwitchesAreSaidInOrder)
{
    makeEngine(TransitionStyle::cut);
    auto block = blockOf({ file(QStringLiteral("Notiziario")) });
    block->setName(QStringLiteral("Notizie"));
    ScheduleController schedule(engine.get(), *settings, clock);
    ScheduleEvent event;
    event.id = QUuid::createUuid();
    event.blockID = block->id();
    schedule.add(event);
    OnAirAnnouncements announcements(*engine, &schedule, {}, recorder());

    schedule.setArmed(true);
    schedule.setArmed(true); // already on: nothing new
    schedule.setLoops(true);
    ASSERT_TRUE(schedule.launch(event, 0));
    run(1.0);
    schedule.setLoops(false);
    schedule.setArmed(false);
    EXPECT_EQ(heard, (QStringList { "Automazione attiva", "Loop del palinsesto attivo", "Avvio dal palinsesto: Notizie",
                                    "In onda: Notiziario", "Loop del palinsesto spento", "Automazione spenta" }));
}

TEST_F(OnAirAnnouncementsTest, AStreamThatFailsIsSaidOnceAndAssertively)
{
    makeEngine(TransitionStyle::cut);
    SecretStore::overrideServiceForTesting("test." + QUuid::createUuid().toString(QUuid::WithoutBraces));
    {
        StreamOutput two(2, *settings, clock);
        OnAirAnnouncements announcements(*engine, nullptr, { &two }, recorder());
        two.setUrl(QStringLiteral(" "));
        two.start(StreamFormat {});
        two.start(StreamFormat {}); // failing again, not anew
        EXPECT_EQ(heard, QStringList { "Stream 2 interrotto" });
        ASSERT_EQ(politenesses.size(), 1u);
        EXPECT_EQ(politenesses[0], Politeness::assertive);
    }
    KeychainQueue::shared()->flush(30.0);
    SecretStore::set(std::nullopt, "stream.2.url");
    SecretStore::overrideServiceForTesting(QString());
}

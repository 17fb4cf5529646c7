// Bound keys driving the real playback engine (on fake players) through the
// application-wide key monitor.
#include "automation/PlaylistShortcutEngine.h"
#include "automation/ShortcutManager.h"
#include "engine/OverlayLayer.h"
#include "platform/KeyPolicy.h"
#include "support/FakeEngine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace tessarin;

namespace {

class ShortcutEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = test::engineOnFakes(clock, settings, media, players);
        first = block("Primo", {file("a1"), file("a2")});

        // As the main window: the bound keys first.
        key_policy::declare(window, KeyPolicy::shortcuts);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

        auto bindings = ShortcutManager::defaultBindings();
        bindings["stop"] = KeyCombo{1, 0};          // S
        bindings["take"] = KeyCombo{17, 0};         // T
        bindings["cueSelected"] = KeyCombo{8, 0};   // C
        bindings["clearCue"] = KeyCombo{7, 0};      // X
        bindings["toggleLayer2"] = KeyCombo{37, 0}; // L
        bindings["playBlock2"] = KeyCombo{19, 0};   // 2
        manager.setBindings(bindings);
        manager.setEngine(adapter);
        manager.startMonitoring();
        test::drainMainQueue();
        window.setFocus();
    }

    void TearDown() override
    {
        manager.stopMonitoring();
        engine.reset();
    }

    std::shared_ptr<MediaFile> file(const QString& name)
    {
        const QString path = QStringLiteral("/fake/") + name + QStringLiteral(".mp4");
        auto item = MediaFile::create(QUrl::fromLocalFile(path));
        item->setOutPoint(30.0);
        return item;
    }

    std::shared_ptr<MediaBlock> block(const QString& name, std::initializer_list<std::shared_ptr<MediaFile>> items)
    {
        return test::appendBlock(*engine, name, items);
    }

    void press(Qt::Key key) { QTest::keyClick(window.windowHandle(), key); }

    bool onAir(const std::shared_ptr<MediaFile>& item) const
    {
        return engine->isPlaying() && engine->currentItemID() == item->id();
    }

    test::ManualClock clock;
    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
    std::shared_ptr<test::FakeMedia> media = std::make_shared<test::FakeMedia>();
    test::FakePlayers players;
    std::unique_ptr<PlaylistEngine> engine;
    std::shared_ptr<PlaylistShortcutEngine> adapter = std::make_shared<PlaylistShortcutEngine>(nullptr);
    ShortcutManager manager{settings};
    std::shared_ptr<MediaBlock> first;
    QWidget window;
};

} // namespace

TEST_F(ShortcutEngineTest, TheSpaceBarStartsPausesAndResumesTheProgram)
{
    adapter = std::make_shared<PlaylistShortcutEngine>(engine.get());
    manager.setEngine(adapter);

    press(Qt::Key_Space); // idle: the first block with items
    ASSERT_TRUE(onAir(first->items().front()));
    clock.advance(2.0);
    press(Qt::Key_Space);
    EXPECT_FALSE(engine->isPlaying());
    const double paused = engine->playerA()->currentTime();
    clock.advance(5.0);
    EXPECT_DOUBLE_EQ(engine->playerA()->currentTime(), paused);
    press(Qt::Key_Space);
    EXPECT_TRUE(engine->isPlaying());
    clock.advance(1.0);
    EXPECT_NEAR(engine->playerA()->currentTime(), paused + 1.0, 0.01);

    press(Qt::Key_S);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_FALSE(engine->currentBlockID());
}

TEST_F(ShortcutEngineTest, CueTakeAndClearWorkOnTheSelection)
{
    adapter = std::make_shared<PlaylistShortcutEngine>(engine.get());
    manager.setEngine(adapter);
    const auto second = first->items().back();

    press(Qt::Key_C); // nothing selected
    press(Qt::Key_T); // nothing cued
    EXPECT_FALSE(engine->cuedItem());
    EXPECT_FALSE(engine->isPlaying());

    engine->select(second, first);
    press(Qt::Key_C);
    ASSERT_EQ(engine->cuedItem(), second);
    EXPECT_EQ(engine->cuedBlock(), first);
    press(Qt::Key_X);
    EXPECT_FALSE(engine->cuedItem());

    press(Qt::Key_C);
    press(Qt::Key_T);
    EXPECT_TRUE(onAir(second));
    EXPECT_FALSE(engine->cuedItem());
}

TEST_F(ShortcutEngineTest, BlockKeysAndLayerKeysReachTheirTargets)
{
    adapter = std::make_shared<PlaylistShortcutEngine>(engine.get());
    manager.setEngine(adapter);

    press(Qt::Key_2); // one block only: nothing
    EXPECT_FALSE(engine->isPlaying());
    auto second = block("Secondo", {file("b1")});
    press(Qt::Key_2);
    EXPECT_TRUE(onAir(second->items().front()));

    const auto& layer = engine->overlays().layers().at(1);
    ASSERT_FALSE(layer->isVisible());
    press(Qt::Key_L);
    EXPECT_TRUE(layer->isVisible());
    EXPECT_FALSE(engine->overlays().layers().at(0)->isVisible());
    press(Qt::Key_L);
    EXPECT_FALSE(layer->isVisible());
}

TEST_F(ShortcutEngineTest, KeysPassOnOnceTheEngineIsGone)
{
    adapter = std::make_shared<PlaylistShortcutEngine>(engine.get());
    manager.setEngine(adapter);
    engine.reset();
    EXPECT_FALSE(adapter->isAvailable());
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_FALSE(manager.handle(space, nullptr));
}

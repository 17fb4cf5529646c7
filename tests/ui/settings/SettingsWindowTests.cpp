// The settings window over the real objects: which page it shows, when it
// is rebuilt, and the shortcuts page recording keys for the real engine.
#include "SettingsFixture.h"

#include "automation/KeyCombo.h"
#include "automation/PlaylistShortcutEngine.h"
#include "media/MediaBlock.h"
#include "platform/Json.h"
#include "platform/KeyPolicy.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Buttons.h"
#include "ui/settings/AtemSettingsView.h"
#include "ui/settings/OutputSettingsView.h"
#include "ui/settings/ShortcutsSettingsView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/settings/StreamSettingsView.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QJsonObject>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace tessarin;
using test::SettingsTest;

namespace {

const QString kSectionKey = QString::fromLatin1(SettingsView::kSectionKey);

class SettingsWindowTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        controller().setSettings(settings.get());
    }
    void TearDown() override
    {
        controller().close();
        controller().setSettings(nullptr);
        SettingsTest::TearDown();
    }
    static SettingsWindowController& controller() { return SettingsWindowController::shared(); }
    SettingsView* view() const { return controller().view(); }
    template <typename Page> Page* page() const { return qobject_cast<Page*>(view()->page()); }
    SettingsSidebarRow* row(SettingsSection section) const
    {
        for (SettingsSidebarRow* r : view()->rows()) {
            if (r->section() == section)
                return r;
        }
        return nullptr;
    }
};

TEST_F(SettingsWindowTest, ShowsTheStoredPageSwitchesOnClicksAndIsReusedForTheSameEngine)
{
    controller().show(context());
    QWidget* window = controller().window();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(window->size(), QSize(780, 600));
    EXPECT_EQ(window->minimumSize(), QSize(700, 480));
    ASSERT_TRUE(page<StreamSettingsView>()) << "nothing stored: the streaming page";
    EXPECT_TRUE(row(SettingsSection::streaming)->isSelected());
    EXPECT_FALSE(settings->contains(kSectionKey));

    QTest::mouseClick(row(SettingsSection::output), Qt::LeftButton);
    EXPECT_EQ(settings->stringValue(kSectionKey), "output");
    EXPECT_TRUE(page<OutputSettingsView>());
    EXPECT_TRUE(row(SettingsSection::output)->isSelected());
    EXPECT_FALSE(row(SettingsSection::streaming)->isSelected());

    // Asked again for the same engine while open: the page switches, the
    // content stays.
    QPointer<SettingsView> before = view();
    window->move(40, 30);
    const QPoint position = window->pos();
    controller().show(context(), SettingsSection::atem);
    EXPECT_EQ(view(), before);
    EXPECT_TRUE(page<AtemSettingsView>());
    EXPECT_EQ(settings->stringValue(kSectionKey), "atem");

    // Closed and shown again: the same window where it was, filled afresh,
    // at the standard size.
    window->resize(900, 700);
    window->close();
    EXPECT_FALSE(window->isVisible());
    controller().show(context());
    EXPECT_EQ(controller().window(), window);
    EXPECT_FALSE(before) << "the content is made afresh";
    EXPECT_TRUE(page<AtemSettingsView>());
    EXPECT_EQ(window->pos(), position);
    EXPECT_EQ(window->size(), QSize(780, 600));
}

TEST_F(SettingsWindowTest, AStoredSectionOfAnotherVersionShowsStreamingAndStaysStored)
{
    settings->setString(kSectionKey, "network");
    controller().show(context());
    EXPECT_TRUE(page<StreamSettingsView>());
    EXPECT_TRUE(row(SettingsSection::streaming)->isSelected());
    EXPECT_EQ(settings->stringValue(kSectionKey), "network");
}

TEST_F(SettingsWindowTest, AnotherEngineRebuildsTheContentInTheSameWindow)
{
    controller().show(context(), SettingsSection::shortcuts);
    QWidget* window = controller().window();
    QPointer<SettingsView> first = view();
    auto otherEngine = std::move(engine);
    makeEngine();
    controller().show(context());
    EXPECT_EQ(controller().window(), window);
    EXPECT_FALSE(first) << "the content is made afresh";
    ASSERT_TRUE(page<ShortcutsSettingsView>());
    controller().close();
    otherEngine.reset();
}

// The shortcuts page: keys recorded for the real engine, the manager's
// monitor off while the page shows and on again when the window closes.
class ShortcutsPageTest : public SettingsWindowTest {
protected:
    void SetUp() override
    {
        SettingsWindowTest::SetUp();
        opening = blockOf({ file("opening") });
        opening->setName(QStringLiteral("Apertura"));
        news = blockOf({ file("news") });
        news->setName(QStringLiteral("Notizie"));
        shortcutEngine = std::make_shared<PlaylistShortcutEngine>(engine.get());
        shortcuts->setEngine(shortcutEngine);
        shortcuts->startMonitoring();
        controller().show(context(), SettingsSection::shortcuts);
        window = controller().window();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        test::drainMainQueue();
        shortcutsPage = page<ShortcutsSettingsView>();
        ASSERT_TRUE(shortcutsPage);
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(window->windowHandle(), key, modifiers);
    }
    void record(ShortcutActionID action)
    {
        QTest::mouseClick(shortcutsPage->recorder(action)->recordButton(), Qt::LeftButton);
    }
    std::optional<KeyCombo> binding(ShortcutActionID action) const
    {
        const auto& b = shortcuts->bindings();
        const auto it = b.find(shortcut_action::rawValue(action));
        return it == b.end() ? std::nullopt : std::optional<KeyCombo>(it->second);
    }
    // The stored table, decoded as the next start will read it.
    ShortcutManager::Bindings stored() const { return ShortcutManager::load(*settings); }

    std::shared_ptr<MediaBlock> opening;
    std::shared_ptr<MediaBlock> news;
    std::shared_ptr<PlaylistShortcutEngine> shortcutEngine;
    QWidget* window = nullptr;
    ShortcutsSettingsView* shortcutsPage = nullptr;
};

TEST_F(ShortcutsPageTest, RecordsStoresAndRemovesCombosWithoutActingWhileShown)
{
    EXPECT_FALSE(shortcuts->isMonitoring()) << "the page switches the shortcuts off";
    ShortcutRecorderButton* stop = shortcutsPage->recorder(ShortcutActionID::stop);
    EXPECT_EQ(stop->recordButton()->text(), QStringLiteral("—"));
    EXPECT_FALSE(stop->clearButton()->isVisibleTo(stop));

    record(ShortcutActionID::stop);
    EXPECT_EQ(shortcutsPage->recordingAction(), "stop");
    EXPECT_EQ(stop->recordButton()->text(), QStringLiteral("Premi un tasto…"));
    press(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    const KeyCombo ctrlShiftK { 40, KeyCombo::controlFlag | KeyCombo::shiftFlag };
    EXPECT_EQ(binding(ShortcutActionID::stop), ctrlShiftK);
    EXPECT_EQ(stored().at("stop"), ctrlShiftK);
    const auto json = json::parseObject(settings->stringValue("Vellumcast.shortcuts.v1").value_or("").toUtf8());
    ASSERT_TRUE(json);
    EXPECT_EQ(json->value("stop").toString(), QStringLiteral("{\"keyCode\":40,\"modifiers\":393216}"));
    EXPECT_FALSE(shortcutsPage->recordingAction());
    EXPECT_EQ(stop->recordButton()->text(), ctrlShiftK.displayString());
    EXPECT_TRUE(stop->clearButton()->isVisibleTo(stop));

    // The space bar plays and pauses: recorded for "take" it is taken by the
    // recorder and reaches neither the engine nor the page's buttons.
    record(ShortcutActionID::take);
    press(Qt::Key_Space);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(binding(ShortcutActionID::take), (KeyCombo { 49, 0 }));
    EXPECT_EQ(binding(ShortcutActionID::playPause), (KeyCombo { 49, 0 })) << "both actions keep the combo";

    // Escape cancels and keeps the old binding; another row's start ends a recording.
    record(ShortcutActionID::stop);
    press(Qt::Key_Escape);
    EXPECT_FALSE(shortcutsPage->recordingAction());
    EXPECT_EQ(binding(ShortcutActionID::stop), ctrlShiftK);
    record(ShortcutActionID::stop);
    record(ShortcutActionID::clearCue);
    EXPECT_EQ(shortcutsPage->recordingAction(), "clearCue");
    EXPECT_FALSE(stop->isCapturing());
    EXPECT_EQ(binding(ShortcutActionID::stop), ctrlShiftK);
    press(Qt::Key_Escape);

    // The first block's row, named after the block; "1" bound to it acts
    // only once the window is closed.
    EXPECT_EQ(shortcutsPage->label(ShortcutActionID::playBlock1)->text(), QStringLiteral("Avvia “Apertura”"));
    record(ShortcutActionID::playBlock1);
    press(Qt::Key_1);
    EXPECT_EQ(binding(ShortcutActionID::playBlock1), (KeyCombo { 18, 0 }));
    press(Qt::Key_1);
    EXPECT_FALSE(engine->isPlaying()) << "the shortcuts are off while the page shows";

    QTest::mouseClick(stop->clearButton(), Qt::LeftButton);
    EXPECT_FALSE(binding(ShortcutActionID::stop));
    EXPECT_EQ(stored().count("stop"), 0u);
    EXPECT_EQ(stop->recordButton()->text(), QStringLiteral("—"));

    window->close();
    EXPECT_TRUE(shortcuts->isMonitoring());
    press(Qt::Key_1);
    EXPECT_TRUE(engine->isPlaying());
    EXPECT_EQ(engine->currentBlockID(), opening->id());
    // With two actions on the space bar, play/pause is the one that runs,
    // in the main window (in this one the space bar works its controls).
    QWidget main;
    key_policy::declare(main, KeyPolicy::shortcuts);
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(main.windowHandle(), Qt::Key_Space);
    EXPECT_FALSE(engine->isPlaying());
}

TEST_F(ShortcutsPageTest, TabAndReturnStartARecordingAndTheHeldReturnIsNotRecorded)
{
    ShortcutRecorderButton* stop = shortcutsPage->recorder(ShortcutActionID::stop);
    QWidget* target = stop->recordButton();
    QWidget* before = target->previousInFocusChain();
    while (!(before->focusPolicy() & Qt::TabFocus) || !before->isVisible())
        before = before->previousInFocusChain();
    before->setFocus();
    press(Qt::Key_Tab);
    ASSERT_TRUE(target->hasFocus());
    QTest::keyPress(window->windowHandle(), Qt::Key_Return);
    ASSERT_TRUE(test::waitUntil([&] { return shortcutsPage->recordingAction() == "stop"; }));
    // Return still held: its repeats are not the combo.
    QTest::simulateEvent(window->windowHandle(), true, Qt::Key_Return, Qt::NoModifier, "\r", true);
    QTest::keyRelease(window->windowHandle(), Qt::Key_Return);
    EXPECT_EQ(shortcutsPage->recordingAction(), "stop");
    press(Qt::Key_K, Qt::ShiftModifier);
    EXPECT_EQ(binding(ShortcutActionID::stop), (KeyCombo { 40, KeyCombo::shiftFlag }));
    EXPECT_FALSE(shortcutsPage->recordingAction());
}

TEST_F(ShortcutsPageTest, BlockRowsFollowTheEnginesBlocksByPosition)
{
    EXPECT_TRUE(shortcutsPage->blocksSection()->isVisibleTo(shortcutsPage));
    EXPECT_EQ(shortcutsPage->label(ShortcutActionID::playBlock2)->text(), QStringLiteral("Avvia “Notizie”"));
    EXPECT_FALSE(shortcutsPage->recorder(ShortcutActionID::playBlock3));

    news->setName(QStringLiteral("Meteo"));
    EXPECT_EQ(shortcutsPage->label(ShortcutActionID::playBlock2)->text(), QStringLiteral("Avvia “Meteo”"));
    engine->setBlocks({ news, opening });
    EXPECT_EQ(shortcutsPage->label(ShortcutActionID::playBlock1)->text(), QStringLiteral("Avvia “Meteo”"));
    EXPECT_EQ(shortcutsPage->label(ShortcutActionID::playBlock2)->text(), QStringLiteral("Avvia “Apertura”"));
    // A name too long for the page ends with an ellipsis; the tip says it whole.
    news->setName(QStringLiteral("Meteo della sera con le previsioni per tutta la settimana"));
    QApplication::processEvents();
    ElidedLabel* longLabel = shortcutsPage->label(ShortcutActionID::playBlock1);
    EXPECT_TRUE(longLabel->shownText().endsWith(QChar(0x2026))) << longLabel->shownText().toStdString();
    EXPECT_EQ(longLabel->toolTip(), longLabel->text());

    PlaylistEngine::Blocks twelve;
    for (int i = 0; i < 12; ++i)
        twelve.push_back(std::make_shared<MediaBlock>(QStringLiteral("B%1").arg(i + 1), QUuid::createUuid()));
    engine->setBlocks(twelve);
    EXPECT_EQ(shortcutsPage->label(ShortcutActionID::playBlock9)->text(), QStringLiteral("Avvia “B9”"));

    record(ShortcutActionID::playBlock9);
    engine->setBlocks({});
    EXPECT_FALSE(shortcutsPage->blocksSection()->isVisibleTo(shortcutsPage));
    EXPECT_FALSE(shortcutsPage->recorder(ShortcutActionID::playBlock1));
    EXPECT_FALSE(shortcutsPage->recordingAction()) << "the recording row went with its block";
}

TEST_F(ShortcutsPageTest, LeavingThePageForAnotherSectionSwitchesTheShortcutsOnAgain)
{
    record(ShortcutActionID::stop);
    QTest::mouseClick(row(SettingsSection::atem), Qt::LeftButton);
    EXPECT_TRUE(shortcuts->isMonitoring());
    QTest::mouseClick(row(SettingsSection::shortcuts), Qt::LeftButton);
    EXPECT_FALSE(shortcuts->isMonitoring());
    EXPECT_FALSE(page<ShortcutsSettingsView>()->recordingAction());
}

} // namespace

// Tab reaches the sections and Return opens one; on every page Tab goes down
// the page as it reads, and left to right along a row.
TEST_F(SettingsWindowTest, TheKeyboardOpensEverySectionAndTabsThroughEachPageInReadingOrder)
{
    settings->setString(kSectionKey, settings_section::rawValue(SettingsSection::streaming));
    controller().show(context());
    QWidget* window = controller().window();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == window; }));

    for (const SettingsSection section : settings_section::allCases) {
        SCOPED_TRACE(settings_section::rawValue(section).toStdString());
        SettingsSidebarRow* target = row(section);
        QWidget* before = target->previousInFocusChain();
        while (!(before->focusPolicy() & Qt::TabFocus) || !before->isVisible())
            before = before->previousInFocusChain();
        before->setFocus();
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
        ASSERT_TRUE(target->hasFocus());
        QTest::keyClick(window->windowHandle(), Qt::Key_Return);
        ASSERT_TRUE(test::waitUntil([&] { return target->isSelected(); }));

        QWidget* page = view()->page();
        std::vector<QWidget*> stops;
        for (QWidget* w = page->nextInFocusChain(); w != page && stops.size() < 200; w = w->nextInFocusChain()) {
            const bool inner = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr
                || qobject_cast<QComboBox*>(w->parentWidget()) != nullptr;
            if (page->isAncestorOf(w) && !inner && w->isVisibleTo(page) && w->isEnabled()
                && (w->focusPolicy() & Qt::TabFocus))
                stops.push_back(w);
        }
        for (std::size_t i = 1; i < stops.size(); ++i) {
            const QRect a(stops[i - 1]->mapTo(page, QPoint()), stops[i - 1]->size());
            const QRect b(stops[i]->mapTo(page, QPoint()), stops[i]->size());
            const bool sameRow = std::abs(a.center().y() - b.center().y()) < std::max(a.height(), b.height()) / 2;
            EXPECT_TRUE(sameRow ? b.left() > a.left() : b.top() > a.top())
                << i << ": " << stops[i - 1]->metaObject()->className() << " "
                << stops[i - 1]->accessibleName().toStdString() << " " << a.x() << "," << a.y() << " then "
                << stops[i]->metaObject()->className() << " " << stops[i]->accessibleName().toStdString() << " "
                << b.x() << "," << b.y();
        }
    }
}

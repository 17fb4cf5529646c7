// The main area and the side panel, followed as the engine, the schedule
// and the stored tab change.
#include "ShellFixture.h"

#include "app/SidePanelView.h"
#include "automation/ScheduleController.h"
#include "engine/MonitorView.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "ui/browser/BrowserColumnView.h"
#include "ui/kit/Labels.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/CueBar.h"
#include "ui/playlist/EngineSeekBar.h"
#include "ui/playlist/TransitionControl.h"
#include "ui/playlist/LayerControlView.h"
#include "ui/playlist/MonitorRow.h"
#include "ui/playlist/NowPlayingLine.h"
#include "ui/playlist/PlaylistColumnView.h"
#include "ui/playlist/PlaylistView.h"
#include "ui/playlist/TimecodeBar.h"
#include "ui/playlist/TransportBar.h"
#include "ui/schedule/ScheduleColumnView.h"

#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QTemporaryDir>
#include <QTest>

#include <array>

using namespace tessarin;

namespace {

class MainArea : public test::ShellFixture {
protected:
    SidePanelView& panel() { return *static_cast<SidePanelView*>(window->playlistView()->sidePanel()); }
};

} // namespace

TEST_F(MainArea, CentreColumnStacksItsRowsInOrderWithTwoLayerCards)
{
    ContentView& w = make();
    w.show();
    PlaylistView& view = *w.playlistView();
    QLayout* column = view.centreColumn()->layout();
    const std::vector<QWidget*> expected {view.timecodeBar(), view.monitorRow(), view.seekBar(), view.nowPlaying(),
                                    view.cueBar(), view.transportBar(), view.transitionControl(), view.layersSection()};
    ASSERT_EQ(std::size_t(column->count()), expected.size());
    for (int i = 0; i < column->count(); ++i)
        EXPECT_EQ(column->itemAt(i)->widget(), expected[i]) << i;
    EXPECT_EQ(view.layersSection()->findChildren<LayerControlView*>().size(), 2);

    // Only the monitor row gives up height when the window gets lower.
    const int transportHeight = view.transportBar()->height();
    const int monitorHeight = view.monitorRow()->height();
    w.resize(1440, 700);
    QTest::qWait(0);
    EXPECT_EQ(view.transportBar()->height(), transportHeight);
    EXPECT_LT(view.monitorRow()->height(), monitorHeight);
    const QRect monitor = view.monitorRow()->monitor()->geometry();
    EXPECT_NEAR(double(monitor.width()) / monitor.height(), 16.0 / 9.0, 0.02);
}

TEST_F(MainArea, ReadoutsAndNowPlayingFollowTheEngine)
{
    ContentView& w = make();
    w.show();
    PlaylistView& view = *w.playlistView();
    NowPlayingLine& line = *view.nowPlaying();
    EXPECT_TRUE(line.idleLabel()->isVisibleTo(&line));
    EXPECT_EQ(line.idleLabel()->text(), "Nessuna riproduzione");
    EXPECT_EQ(view.timecodeBar()->elapsedLabel()->text(), "00:00:00");
    EXPECT_EQ(view.timecodeBar()->remainingColor(), Theme::textPrimary());

    PlaylistEngine& engine = show->engine();
    auto block = engine.addBlock();
    block->setName(QStringLiteral("Apertura"));
    auto item = MediaFile::create(QUrl::fromLocalFile(test::mediaPath(QStringLiteral("clip_5s.mov"))));
    block->appendItems({item});
    engine.play(block);
    ASSERT_TRUE(engine.isPlaying());
    EXPECT_FALSE(line.idleLabel()->isVisibleTo(&line));
    EXPECT_EQ(line.itemLabel()->text(), "clip_5s");
    EXPECT_EQ(line.blockLabel()->text(), "Apertura");
    EXPECT_TRUE(line.badge()->isPlaying());

    clock.advance(2.0);
    EXPECT_EQ(view.timecodeBar()->elapsedLabel()->text(), engine.currentTimecode());
    EXPECT_EQ(view.timecodeBar()->remainingLabel()->text(), engine.remainingTimecode());
    EXPECT_NE(engine.currentTimecode(), "00:00:00");

    engine.togglePlayPause();
    EXPECT_FALSE(line.badge()->isPlaying());
    EXPECT_EQ(line.badge()->text(), "PAUSA");

    block->setName(QStringLiteral("Chiusura"));
    EXPECT_EQ(line.blockLabel()->text(), "Chiusura");

    // At the narrowest window what is on air wins the room: the block's name
    // gives way first.
    QTemporaryDir dir;
    const QString longName = dir.filePath(QStringLiteral("Intervista al sindaco in diretta.mov"));
    ASSERT_TRUE(QFile::copy(test::mediaPath(QStringLiteral("clip_5s.mov")), longName));
    block->appendItems({MediaFile::create(QUrl::fromLocalFile(longName))});
    engine.playNext();
    ASSERT_EQ(line.itemLabel()->text(), "Intervista al sindaco in diretta");
    block->setName(QStringLiteral("Apertura della serata con i titoli di testa e la sigla finale"));
    w.resize(ContentView::kMinimumWidth, ContentView::kMinimumHeight);
    QTest::qWait(0);
    EXPECT_EQ(line.itemLabel()->shownText(), line.itemLabel()->text());
    EXPECT_TRUE(line.blockLabel()->shownText().endsWith(QChar(0x2026)));

    engine.stop();
    EXPECT_TRUE(line.idleLabel()->isVisibleTo(&line));
}

TEST_F(MainArea, SidePanelShowsTheStoredTabAndStoresTheOperatorsChoice)
{
    settings.setString(QLatin1String(SidePanelView::kTabKey), QStringLiteral("nonsense"));
    make();
    EXPECT_EQ(panel().selectedTab(), SidePanelView::Tab::blocks);
    EXPECT_NE(qobject_cast<PlaylistColumnView*>(panel().column()), nullptr);
    EXPECT_TRUE(panel().blocksButton()->isSelected());

    QTest::mouseClick(panel().scheduleButton(), Qt::LeftButton);
    EXPECT_EQ(settings.stringValue(QLatin1String(SidePanelView::kTabKey)), "schedule");
    EXPECT_NE(qobject_cast<ScheduleColumnView*>(panel().column()), nullptr);
    EXPECT_TRUE(panel().scheduleButton()->isSelected());

    // Clicking the selected tab again keeps the same column.
    QWidget* shown = panel().column();
    QTest::mouseClick(panel().scheduleButton(), Qt::LeftButton);
    EXPECT_EQ(panel().column(), shown);

    // A new window starts on the stored tab.
    window.reset();
    window = std::make_unique<ContentView>(*show, ContentView::Services {settings, clock, devices, displays});
    EXPECT_EQ(panel().selectedTab(), SidePanelView::Tab::schedule);
    EXPECT_NE(qobject_cast<ScheduleColumnView*>(panel().column()), nullptr);
}

TEST_F(MainArea, ScheduleTabMarksTheArmedScheduleWhicheverTabIsShown)
{
    make();
    SidePanelTabButton& tab = *panel().scheduleButton();
    EXPECT_FALSE(tab.isArmed());
    EXPECT_EQ(tab.toolTip(), "Palinsesto");
    // The tab keeps its size when the dot appears or when it is selected, so
    // nothing in the tab bar moves.
    ContentView& w = *window;
    w.show();
    const QRect plain = tab.geometry();
    SidePanelTabButton& blocks = *panel().blocksButton();
    const QRect blocksPlace = blocks.geometry();
    show->schedule().setArmed(true);
    EXPECT_TRUE(tab.isArmed());
    EXPECT_EQ(tab.toolTip(), "Automazione del palinsesto attiva");
    EXPECT_EQ(tab.accessibleName(), "Automazione del palinsesto attiva");
    QTest::mouseClick(&tab, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(tab.isSelected());
    EXPECT_EQ(tab.geometry(), plain);
    EXPECT_EQ(blocks.geometry(), blocksPlace);
    show->schedule().setArmed(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(tab.isArmed());
    EXPECT_EQ(tab.geometry(), plain);
    EXPECT_EQ(blocks.geometry(), blocksPlace);
}

TEST_F(MainArea, TheCueBarTakesItsPlaceOnlyWhileSomethingIsCued)
{
    ContentView& w = make();
    w.show();
    PlaylistView& view = *w.playlistView();
    auto transportGap = [&] {
        QCoreApplication::processEvents();
        view.centreColumn()->layout()->activate();
        return view.transportBar()->y() - view.nowPlaying()->geometry().bottom() - 1;
    };
    EXPECT_FALSE(view.cueBar()->isVisible());
    EXPECT_EQ(transportGap(), 14);

    PlaylistEngine& engine = show->engine();
    auto block = engine.addBlock();
    auto item = MediaFile::create(QUrl::fromLocalFile(test::mediaPath(QStringLiteral("clip_5s.mov"))));
    block->appendItems({item});
    engine.cue(item, block);
    EXPECT_TRUE(view.cueBar()->isVisible());
    EXPECT_EQ(transportGap(), 14 + view.cueBar()->height() + 14);
    EXPECT_EQ(view.cueBar()->y(), view.nowPlaying()->geometry().bottom() + 1 + 14);

    engine.clearCue();
    EXPECT_FALSE(view.cueBar()->isVisible());
    EXPECT_EQ(transportGap(), 14);
}

// The side columns take their widest before the centre grows: at the default
// size and wider the browser is 290 and the side panel 460; at the minimum
// window the side columns give up width first and no column goes under its
// minimum.
TEST_F(MainArea, SideColumnsReachTheirWidestBeforeTheCentreGrows)
{
    ContentView& w = make();
    w.show();
    PlaylistView& view = *w.playlistView();
    QWidget& browser = *view.browserColumn();
    QWidget& centre = *view.centreColumn();
    QWidget& side = *view.sidePanel();
    const auto widths = [&](int windowWidth) {
        w.resize(windowWidth, ContentView::kMinimumHeight);
        QCoreApplication::processEvents();
        w.centralWidget()->layout()->activate();
        view.layout()->activate();
        return std::array<int, 3> {browser.width(), centre.width(), side.width()};
    };
    for (int windowWidth : {1440, 1920}) {
        const auto [b, c, s] = widths(windowWidth);
        EXPECT_EQ(b, 290) << windowWidth;
        EXPECT_EQ(s, SidePanelView::kMaximumWidth) << windowWidth;
        EXPECT_EQ(b + c + s + 2, windowWidth) << windowWidth;
    }
    const auto [b, c, s] = widths(ContentView::kMinimumWidth);
    EXPECT_EQ(w.width(), ContentView::kMinimumWidth);
    // The centre still shows a time left whole at its narrowest.
    FitLabel& left = *view.timecodeBar()->remainingLabel();
    left.setText(QStringLiteral("-00:01:22"));
    EXPECT_EQ(left.shownText(), left.text()) << c;
    EXPECT_GE(b, 230);
    EXPECT_GE(c, PlaylistView::kCentreMinimumWidth);
    EXPECT_GE(s, SidePanelView::kMinimumWidth);
    EXPECT_EQ(b + c + s + 2, ContentView::kMinimumWidth);
}

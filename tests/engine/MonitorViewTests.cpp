// The program monitor and output views on an engine with fake players:
// offscreen pictures of what they show, the status panel's drawing, and the
// output window showing the program.
#include "EngineFixture.h"
#include "FakeDisplays.h"
#include "ProgramTestSupport.h"

#include "engine/LiveStatusPanel.h"
#include "engine/MonitorView.h"
#include "engine/OutputContentView.h"
#include "engine/OutputWindowController.h"
#include "engine/ProgramPictureSize.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "ui/kit/Theme.h"

#include <QPainter>

using namespace tessarin;

namespace {

bool near(QRgb actual, QColor expected, int tolerance = 3)
{
    return test::near(QColor::fromRgb(actual), expected, tolerance);
}

std::string name(QRgb colour)
{
    return QColor::fromRgba(colour).name(QColor::HexArgb).toStdString();
}

class MonitorViewTest : public test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        makeEngine(TransitionStyle::cut);
        auto item = file(QStringLiteral("red"));
        media->colors[pathOf(item)] = QColor(255, 0, 0);
        engine->play(blockOf({ item }));
        run(0.1);
        ASSERT_TRUE(onAir(item));
    }

    // A monitor of 400 x 300 on screen; the 16:9 program has bars of 37.5
    // above and below.
    std::unique_ptr<MonitorView> makeMonitor(bool showsStatus = true)
    {
        auto view = std::make_unique<MonitorView>(*engine, showsStatus, clock);
        view->resize(400, 300);
        view->show();
        settle(*view);
        return view;
    }
    // Lets the view's queued refreshes and a tick or two of its clock pass.
    void settle(MonitorView& view, double seconds = 0.05)
    {
        test::drainMainQueue();
        run(seconds);
        test::drainMainQueue();
        view.refresh();
    }
    QRgb at(const MonitorView& view, int x, int y) const
    {
        const QImage image = view.currentImage();
        return image.isNull() ? 0 : image.pixel(x, y);
    }
    // Loads a still into the engine's first layer: the left half of the
    // picture white, the rest clear.
    std::shared_ptr<OverlayLayer> leftHalfLayer(int width, int height)
    {
        QImage picture(width, height, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QPainter(&picture).fillRect(0, 0, width / 2, height, Qt::white);
        const QString path = dir.filePath(QStringLiteral("layer.png"));
        EXPECT_TRUE(picture.save(path));
        auto layer = engine->overlays().layers().at(0);
        layer->load(QUrl::fromLocalFile(path));
        EXPECT_TRUE(test::waitUntil([&] { return !layer->cgImage().isNull(); }));
        return layer;
    }
};

} // namespace

#define EXPECT_AT(view, x, y, colour) \
    EXPECT_TRUE(near(at(view, x, y), colour)) << "at (" << (x) << ", " << (y) << "): " << name(at(view, x, y))

TEST_F(MonitorViewTest, ShowsTheProgramFittedWithOverlaysPlacedOnTheWholeViewAboveTheFade)
{
    auto view = makeMonitor();
    ASSERT_EQ(view->currentImage().size(), QSize(400, 300));
    EXPECT_AT(*view, 300, 150, QColor(255, 0, 0));
    EXPECT_AT(*view, 300, 10, QColor(0, 0, 0)); // the bar above the 16:9 picture

    // A 4:3 layer fills the view, bars included: overlays are placed on the
    // whole view, not on the picture's rectangle.
    auto layer = leftHalfLayer(400, 300);
    layer->setIsVisible(true);
    settle(*view, 0.3);
    EXPECT_AT(*view, 100, 10, QColor(255, 255, 255));
    EXPECT_AT(*view, 300, 150, QColor(255, 0, 0));

    engine->fade().set(0.5);
    settle(*view);
    EXPECT_AT(*view, 300, 150, QColor(128, 0, 0));
    EXPECT_AT(*view, 100, 150, QColor(255, 255, 255));

    // The picture reaches the screen.
    const QImage grabbed = view->grab().toImage();
    EXPECT_TRUE(near(grabbed.pixel(300, 150), QColor(128, 0, 0))) << name(grabbed.pixel(300, 150));
}

TEST_F(MonitorViewTest, PlayerBShowsAtTheMixWeightOverPlayerA)
{
    test::showPicture(playerB(), test::solidFrame(160, 90, QColor(0, 0, 255)));
    auto view = makeMonitor();
    engine->mix().set(0.3);
    settle(*view);
    EXPECT_AT(*view, 200, 150, QColor(179, 0, 77));
    engine->mix().set(0.0);
    settle(*view);
    EXPECT_AT(*view, 200, 150, QColor(255, 0, 0));
}

TEST_F(MonitorViewTest, HidingALayerEasesOutOverAQuarterSecond)
{
    auto view = makeMonitor();
    auto layer = leftHalfLayer(400, 300);
    layer->setIsVisible(true);
    settle(*view, 0.3);
    EXPECT_AT(*view, 100, 150, QColor(255, 255, 255));
    layer->setIsVisible(false);
    test::drainMainQueue();
    view->refresh();
    clock.advance(0.125);
    view->refresh();
    EXPECT_AT(*view, 100, 150, QColor(255, 128, 128)); // half way
    settle(*view, 0.2);
    EXPECT_AT(*view, 100, 150, QColor(255, 0, 0));
    // An opacity change alone takes effect at once.
    layer->setIsVisible(true);
    settle(*view, 0.3);
    layer->setOpacity(0.5);
    test::drainMainQueue();
    view->refresh();
    EXPECT_AT(*view, 100, 150, QColor(255, 128, 128));
}

TEST_F(MonitorViewTest, PullsAtTheScreenRateOnlyWhileSomethingMoves)
{
    auto view = makeMonitor();
    EXPECT_TRUE(view->isTicking()); // the program plays
    engine->stop();
    run(0.1);
    test::drainMainQueue();
    EXPECT_FALSE(playerA().isPlaying());
    EXPECT_FALSE(view->isTicking());
    view->hide();
    test::drainMainQueue();
    EXPECT_FALSE(view->isTicking());
}

TEST_F(MonitorViewTest, OutputWindowShowsTheProgramWithoutTheStatusPanel)
{
    test::FakeDisplays displays;
    displays.addScreen(1, QStringLiteral("Built-in"));
    displays.addScreen(2, QStringLiteral("HDMI-1"));
    displays.main = 1;
    DisplayManager manager(displays);
    OutputWindowController controller(manager, clock, {});
    controller.present(manager.allDisplays().at(1), std::nullopt, *engine);
    ASSERT_TRUE(controller.window());
    auto* content = controller.window()->findChild<OutputContentView*>();
    ASSERT_TRUE(content);
    EXPECT_FALSE(content->monitor()->showsStatus());
    ASSERT_TRUE(test::waitUntil([&] {
        test::drainMainQueue();
        content->monitor()->refresh();
        const QImage image = content->monitor()->currentImage();
        return !image.isNull() && near(image.pixel(image.width() / 2, image.height() / 2), QColor(255, 0, 0));
    }));
    // The items the engine makes for the program from now on are sized for
    // what the window draws (here the offscreen screen's size).
    EXPECT_EQ(engine->programPictureSize()->size(), content->monitor()->currentImage().size());
    controller.stop();
    EXPECT_FALSE(controller.window());
}

TEST(LiveStatusPanel, FailedShowsTheRedSymbolAndWaitingTheSpinnerButLiveNothing)
{
    const auto paint = [](const LiveStatus& status, double colourScale) {
        QImage image(600, 400, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0, 0, 255));
        LiveStatusPanel::paint(image, status, 1.0, colourScale, 0.0);
        return image;
    };
    const auto count = [](const QImage& image, const std::function<bool(QColor)>& pred) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += pred(image.pixelColor(x, y)) ? 1 : 0;
        return n;
    };
    const auto isWarningRed = [](QColor c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; };
    const auto isPanel = [](QColor c) { return c.red() == 0 && c.green() == 0 && std::abs(c.blue() - 77) <= 2; };

    const QImage failed = paint(LiveStatus::failed(QStringLiteral("Connessione rifiutata dal server remoto, "
                                                                  "riprova più tardi o controlla l'indirizzo")), 1.0);
    EXPECT_GT(count(failed, isWarningRed), 50);
    EXPECT_GT(count(failed, isPanel), 1000); // black at 0.7 over blue
    EXPECT_TRUE(near(failed.pixel(5, 5), QColor(0, 0, 255)));
    // The long message wraps within 360: the panel stays narrower than 360
    // plus its padding.
    int left = failed.width(), right = 0;
    for (int x = 0; x < failed.width(); ++x) {
        if (isPanel(failed.pixelColor(x, 200))) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    EXPECT_LE(right - left + 1, 360 + 40 + 1);

    // Darkened by the fade like the picture beneath it.
    EXPECT_EQ(count(paint(LiveStatus::failed(QStringLiteral("x")), 0.0), isWarningRed), 0);

    const QImage waiting = paint(LiveStatus::connecting(), 1.0);
    EXPECT_EQ(count(waiting, isWarningRed), 0);
    EXPECT_GT(count(waiting, [](QColor c) { return c.red() > 60; }), 50); // spinner and text
    EXPECT_EQ(LiveStatusPanel::waitingText(), QStringLiteral("In attesa del segnale…"));

    // On a monitor too small for it, the panel is drawn smaller, clear of
    // every edge of the picture.
    for (const QSize size : { QSize(160, 90), QSize(120, 68) }) {
        QImage small(size, QImage::Format_ARGB32_Premultiplied);
        small.fill(QColor(0, 0, 255));
        LiveStatusPanel::paint(small, LiveStatus::connecting(), 1.0, 1.0, 0.0);
        for (int x = 0; x < small.width(); ++x)
            for (const int y : { 0, 1, small.height() - 2, small.height() - 1 })
                ASSERT_EQ(small.pixelColor(x, y), QColor(0, 0, 255)) << x << "," << y;
        for (int y = 0; y < small.height(); ++y)
            for (const int x : { 0, 1, small.width() - 2, small.width() - 1 })
                ASSERT_EQ(small.pixelColor(x, y), QColor(0, 0, 255)) << x << "," << y;
        EXPECT_GT(count(small, isPanel), 100);
    }

    const QImage live = paint(LiveStatus::live(), 1.0);
    EXPECT_EQ(count(live, [](QColor c) { return c != QColor(0, 0, 255); }), 0);
}

TEST(MonitorViewOnRealPlayers, ShowsAPlayingFileMovingWithBarsAndStopsPullingWhenItStops)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
    PlaylistEngine engine(HostClock::shared(), settings,
                          [output] { return std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared()); }, output);
    engine.setTransitionStyle(TransitionStyle::cut);
    const QUrl url = QUrl::fromLocalFile(test::mediaPath(QStringLiteral("clip_30s.mp4")));
    auto item = MediaFile::create(url);
    item->setPlayableURL(url);
    auto block = std::make_shared<MediaBlock>(QStringLiteral("Blocco 1"), QUuid::createUuid());
    block->setItems({ item });
    engine.setBlocks({ block });

    MonitorView view(engine, true, HostClock::shared());
    view.resize(320, 180); // the 4:3 clip gets bars left and right
    view.show();
    engine.play(block);
    const auto centre = [&] {
        const QImage image = view.currentImage();
        return image.isNull() ? QRgb(0) : image.pixel(160, 90);
    };
    ASSERT_TRUE(test::waitUntil([&] { return view.isTicking() && qGray(centre()) > 10; }, 20.0));
    const QImage first = view.currentImage().copy();
    EXPECT_EQ(first.size(), QSize(320, 180));
    EXPECT_EQ(first.pixel(5, 90) & 0xffffff, 0u);
    ASSERT_TRUE(test::waitUntil([&] { return view.currentImage() != first; }, 10.0));

    engine.stop();
    EXPECT_TRUE(test::waitUntil([&] { return !view.isTicking(); }, 10.0));
}

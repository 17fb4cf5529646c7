// The layer card and its settings on real overlay layers, checked where it
// matters: in the composed program picture.
#include "engine/OverlayLayer.h"
#include "engine/ProgramRenderer.h"
#include "engine/RenderState.h"
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/playlist/LayerControlView.h"
#include "ui/playlist/LayerSettingsView.h"

#include <QAccessible>
#include <QMimeData>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tessarin::test {
namespace {

class LayerCardTest : public ::testing::Test {
protected:
    ManualClock clock;
    std::shared_ptr<OverlayLayer> layer = OverlayLayer::create(
        QStringLiteral("Layer 1"), clock, [this] { return std::make_shared<FakeMediaPlayer>(clock); });
    QTemporaryDir dir;
    QString chosenPath;
    LayerControlView card { layer, [this](QWidget*, std::function<void(const QString&)> chosen) {
                               if (!chosenPath.isEmpty())
                                   chosen(chosenPath);
                           } };

    // 1920 x 1080: the left half opaque white, the right half transparent.
    QString halfTransparentPng()
    {
        QImage image(1920, 1080, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width() / 2; ++x)
                image.setPixel(x, y, qRgba(255, 255, 255, 255));
        const QString path = dir.filePath(QStringLiteral("half.png"));
        EXPECT_TRUE(image.save(path));
        return path;
    }

    // The program over black with the layer as it is now, once its alpha settled.
    QImage composed()
    {
        ProgramSources sources;
        sources.playerA = std::make_shared<FakeMediaPlayer>(clock);
        sources.playerB = std::make_shared<FakeMediaPlayer>(clock);
        sources.liveFrame = [](double, double) { return QImage(); };
        sources.fadeLevel = [] { return 1.0; };
        sources.mix = [] { return 0.0; };
        ProgramRenderer renderer(sources, 1920, 1080, 0.02, clock);
        RenderState state;
        state.layers.push_back(RenderState::Layer::capture(*layer));
        renderer.setState(state);
        renderer.nextFrame();
        clock.advance(1.0);
        auto frame = renderer.nextFrame();
        return QImage(frame->constBits(), frame->width(), frame->height(), frame->bytesPerLine(), QImage::Format_RGB32)
            .copy();
    }

    static int grey(const QImage& image, int x, int y) { return qGreen(image.pixel(x, y)); }
};

} // namespace

TEST_F(LayerCardTest, AStillWithAlphaGoesOnAirWithItsSettingsAndClears)
{
    card.show();
    EXPECT_FALSE(card.onAirButton()->isEnabled()) << "an empty layer cannot go on air";
    EXPECT_FALSE(card.settingsButton()->isEnabled());

    chosenPath = halfTransparentPng();
    QTest::mouseClick(card.loadButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !layer->cgImage().isNull(); }));
    EXPECT_EQ(card.fileText(), QStringLiteral("half.png"));
    ASSERT_TRUE(card.onAirButton()->isEnabled());

    QTest::mouseClick(card.onAirButton(), Qt::LeftButton);
    EXPECT_TRUE(layer->isVisible());
    EXPECT_TRUE(card.onAirButton()->style().filled);
    QImage frame = composed();
    EXPECT_NEAR(grey(frame, 400, 540), 255, 2);
    EXPECT_NEAR(grey(frame, 1500, 540), 0, 2) << "the transparent half shows the program";

    QTest::mouseClick(card.settingsButton(), Qt::LeftButton);
    ASSERT_TRUE(card.settingsPopover() && card.settingsPopover()->isVisible());
    auto* settings = qobject_cast<LayerSettingsView*>(card.settingsPopover()->content());
    ASSERT_TRUE(settings);
    EXPECT_FALSE(settings->loopSwitch()->isVisibleTo(settings)) << "a still has no loop switch";
    settings->opacitySlider()->setValue(LayerSettingsView::kSliderSteps / 2);
    EXPECT_NEAR(layer->opacity(), 0.5, 1e-9);
    EXPECT_EQ(settings->valueText(0), QStringLiteral("50%"));
    // Readers take the sliders in per cent, as the popover shows them.
    QAccessibleInterface* opacity = QAccessible::queryAccessibleInterface(settings->opacitySlider());
    ASSERT_TRUE(opacity && opacity->valueInterface());
    EXPECT_DOUBLE_EQ(opacity->valueInterface()->maximumValue().toDouble(), 100.0);
    EXPECT_NEAR(opacity->valueInterface()->currentValue().toDouble(), 50.0, 1e-9);
    EXPECT_EQ(opacity->text(QAccessible::Value), QStringLiteral("50%"));
    frame = composed();
    EXPECT_NEAR(grey(frame, 400, 540), 128, 3);

    // Size 50% and X +25%: the white half now spans 960 ... 1440.
    settings->opacitySlider()->setValue(LayerSettingsView::kSliderSteps);
    settings->scaleSlider()->setValue(int(std::lround(LayerSettingsView::kSliderSteps * (0.5 - 0.1) / 1.9)));
    settings->offsetXSlider()->setValue(int(LayerSettingsView::kSliderSteps * 0.625));
    EXPECT_NEAR(layer->scale(), 0.5, 2e-3);
    EXPECT_NEAR(layer->offsetX(), 0.25, 1e-3);
    EXPECT_EQ(settings->valueText(2), QStringLiteral("+25%"));
    frame = composed();
    EXPECT_NEAR(grey(frame, 950, 540), 0, 2);
    EXPECT_NEAR(grey(frame, 1000, 540), 255, 2);
    EXPECT_NEAR(grey(frame, 1430, 540), 255, 2);
    EXPECT_NEAR(grey(frame, 1460, 540), 0, 2);

    // A change made elsewhere shows in the open popover.
    layer->resetTransform();
    EXPECT_EQ(settings->valueText(1), QStringLiteral("100%"));
    EXPECT_EQ(settings->scaleSlider()->value(), std::lround(LayerSettingsView::kSliderSteps * 0.9 / 1.9));

    QTest::mouseClick(card.clearButton(), Qt::LeftButton);
    EXPECT_FALSE(layer->hasContent());
    EXPECT_FALSE(layer->isVisible());
    EXPECT_FALSE(card.onAirButton()->isEnabled());
    EXPECT_FALSE(card.settingsPopover()->isVisible());
    EXPECT_NEAR(grey(composed(), 400, 540), 0, 2);
}

TEST_F(LayerCardTest, DropsLoadTheFirstFileAsACopyAndTextIsRefused)
{
    card.show();
    QMimeData text;
    text.setText(QStringLiteral("/some/file.png"));
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&card, &refused);
    EXPECT_FALSE(refused.isAccepted());
    EXPECT_FALSE(card.isDropTargeted());

    QMimeData files;
    files.setUrls({ QUrl::fromLocalFile(mediaPath(QStringLiteral("clip_5s.mov"))),
                    QUrl::fromLocalFile(halfTransparentPng()) });
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&card, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(card.isDropTargeted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&card, &drop);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "a move from a file manager deletes the file";
    EXPECT_FALSE(card.isDropTargeted());
    ASSERT_TRUE(layer->player()) << "the video, the first file, is loaded";
    EXPECT_EQ(card.fileText(), QStringLiteral("clip_5s.mov"));

    QTest::mouseClick(card.settingsButton(), Qt::LeftButton);
    auto* settings = qobject_cast<LayerSettingsView*>(card.settingsPopover()->content());
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->loopSwitch()->isVisibleTo(settings));
    QTest::mouseClick(settings->loopSwitch(), Qt::LeftButton);
    EXPECT_EQ(layer->loops(), settings->loopSwitch()->isChecked());

    // An unsupported file is accepted by the card and ignored by the layer.
    QMimeData text2;
    text2.setUrls({ QUrl::fromLocalFile(mediaPath(QStringLiteral("tone_half.mp3"))) });
    QDropEvent ignored(QPointF(10, 10), Qt::CopyAction, &text2, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&card, &ignored);
    EXPECT_EQ(card.fileText(), QStringLiteral("clip_5s.mov"));
}

TEST(LayerSettingsView, ValueTextsTruncateTowardZero)
{
    EXPECT_EQ(LayerSettingsView::percentText(0.009), QStringLiteral("0%"));
    EXPECT_EQ(LayerSettingsView::percentText(0.999), QStringLiteral("99%"));
    EXPECT_EQ(LayerSettingsView::percentText(2.0), QStringLiteral("200%"));
    EXPECT_EQ(LayerSettingsView::signedPercentText(-0.004), QStringLiteral("+0%"));
    EXPECT_EQ(LayerSettingsView::signedPercentText(-0.5), QStringLiteral("-50%"));
    EXPECT_EQ(LayerSettingsView::signedPercentText(1.0), QStringLiteral("+100%"));
    EXPECT_EQ(LayerSettingsView::percentText(std::numeric_limits<double>::infinity()), QStringLiteral("—"));
}

} // namespace tessarin::test

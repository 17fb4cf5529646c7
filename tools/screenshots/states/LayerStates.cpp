// The graphics layer cards loaded (a transparent still on air, a video), the
// layer settings popover, and the trim editor on a video and an audio item.
#include "Stage.h"

#include "app/ContentView.h"
#include "engine/OverlayLayer.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaFile.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Popover.h"
#include "ui/playlist/LayerControlView.h"
#include "ui/playlist/WaveformTrimView.h"

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

using namespace tessarin;

namespace {

// A logo with a soft edge on a transparent ground.
QString transparentLogo()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Logo trasparente.png"));
    QImage image(1920, 1080, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 840; y < 1000; ++y)
        for (int x = 80; x < 620; ++x)
            image.setPixel(x, y, qRgba(255, 108, 0, y < 860 || y > 980 ? 120 : 230));
    image.save(path);
    return path;
}

QList<LayerControlView*> loadLayers(Stage& stage)
{
    const auto& layers = stage.engine().overlays().layers();
    layers[0]->load(QUrl::fromLocalFile(transparentLogo()));
    layers[1]->load(QUrl::fromLocalFile(Stage::mediaPath(QStringLiteral("clip_5s.mov"))));
    stage.settle();
    stage.settle();
    layers[0]->setIsVisible(true);
    stage.settle();
    return stage.window().findChildren<LayerControlView*>();
}

QWidget* trimPopover(Stage& stage, const QString& name, const QString& media, double in, std::optional<double> out)
{
    ContentView& window = stage.window();
    auto item = stage.item(name, media, 0);
    stage.settle();
    item->setInPoint(in);
    item->setOutPoint(out);
    auto* popover = new Popover(new WaveformTrimView(item), &window);
    popover->showFor(&window);
    for (int i = 0; i < 50; ++i)
        stage.settle();
    return popover;
}

} // namespace

TESSARIN_SCREENSHOT(layersLoaded, "layers-loaded")
{
    loadLayers(stage);
    return &stage.window();
}

TESSARIN_SCREENSHOT(layerSettings, "layer-settings")
{
    auto cards = loadLayers(stage);
    if (cards.empty())
        return &stage.window();
    stage.engine().overlays().layers()[0]->setOpacity(0.8);
    stage.engine().overlays().layers()[0]->setOffsetX(-0.2);
    cards[0]->settingsButton()->click();
    stage.settle();
    return cards[0]->settingsPopover();
}

TESSARIN_SCREENSHOT(trimVideo, "trim-video")
{
    return trimPopover(stage, QStringLiteral("Intervista.mp4"), QStringLiteral("clip_30s.mp4"), 4.2, 21.5);
}

TESSARIN_SCREENSHOT(trimAudio, "trim-audio")
{
    return trimPopover(stage, QStringLiteral("Tema.wav"), QStringLiteral("tone_half.wav"), 0.4, std::nullopt);
}

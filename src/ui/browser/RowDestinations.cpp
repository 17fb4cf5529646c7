#include "ui/browser/RowDestinations.h"

#include "engine/OverlayLayer.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaDrop.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

namespace tessarin {

namespace {

class Destinations {
    Q_DECLARE_TR_FUNCTIONS(tessarin::RowDestinations)
public:
    static void add(PlaylistEngine& engine, QMenu& menu, const QMimeData& dragged)
    {
        // The drag's data is copied now: the menu outlives the call.
        const std::vector<DropItem> items = MediaDrop::items(dragged);
        if (!MediaDrop::canAccept(items))
            return;
        QPointer<PlaylistEngine> weakEngine(&engine);
        for (const auto& block : engine.blocks()) {
            std::weak_ptr<MediaBlock> weak = block;
            QObject::connect(menu.addAction(tr("Aggiungi al blocco “%1”").arg(block->name())), &QAction::triggered,
                             &menu, [weak, items] {
                                 MediaDrop::loadItems(items, [weak](std::vector<std::shared_ptr<MediaFile>> files) {
                                     auto target = weak.lock();
                                     if (target && !files.empty())
                                         target->appendItems(files);
                                 });
                             });
        }
        QObject::connect(menu.addAction(tr("Aggiungi a un nuovo blocco")), &QAction::triggered, &menu,
                         [weakEngine, items] {
                             MediaDrop::loadItems(items, [weakEngine](std::vector<std::shared_ptr<MediaFile>> files) {
                                 if (weakEngine && !files.empty())
                                     weakEngine->addBlock()->appendItems(files);
                             });
                         });
        // A layer takes the first local file of a drag that carries file URLs.
        QUrl file;
        for (const QUrl& url : dragged.urls()) {
            if (url.isLocalFile()) {
                file = url;
                break;
            }
        }
        if (file.isEmpty())
            return;
        for (const auto& layer : engine.overlays().layers()) {
            std::weak_ptr<OverlayLayer> weak = layer;
            QObject::connect(menu.addAction(tr("Carica in %1").arg(layer->title())), &QAction::triggered, &menu,
                             [weak, file] {
                                 if (auto target = weak.lock())
                                     target->load(file);
                             });
        }
    }
};

} // namespace

RowDestinations engineDestinations(PlaylistEngine& engine)
{
    QPointer<PlaylistEngine> weak(&engine);
    return [weak](QMenu& menu, const QMimeData& dragged) {
        if (weak)
            Destinations::add(*weak, menu, dragged);
    };
}

} // namespace tessarin

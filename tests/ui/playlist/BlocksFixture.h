#pragma once
// The blocks column on a real engine (fake players, hand-driven clock) with
// real items made from the generated test media, and helpers that deliver
// drags and drops to its widgets as the window system would.
#include "engine/EngineFixture.h"
#include "media/MediaDrop.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/playlist/MediaRowParts.h"
#include "ui/playlist/BlockCardParts.h"
#include "ui/playlist/BlockCardView.h"
#include "ui/playlist/PlaylistColumnParts.h"
#include "ui/playlist/BlockItemList.h"
#include "ui/playlist/BlockItemModel.h"
#include "ui/playlist/MediaRowView.h"
#include "ui/playlist/PlaylistColumnView.h"

#include <QApplication>
#include <QLabel>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>

#include <memory>

namespace tessarin::test {

class BlocksTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        makeEngine(TransitionStyle::cut);
    }

    void TearDown() override
    {
        column.reset();
        drainMainQueue();
        EngineTest::TearDown();
    }

    PlaylistColumnView& makeColumn()
    {
        column = std::make_unique<PlaylistColumnView>(*engine);
        column->resize(420, 900);
        column->show();
        return *column;
    }

    // A real item of the test media, already playable.
    static std::shared_ptr<MediaFile> media(const char* name)
    {
        const QUrl url = QUrl::fromLocalFile(mediaPath(QString::fromLatin1(name)));
        auto item = MediaFile::create(url);
        if (!item->isImage())
            item->setPlayableURL(url);
        return item;
    }

    std::shared_ptr<MediaBlock> addBlock(const QString& name, MediaBlock::Items items)
    {
        auto block = engine->addBlock();
        block->setName(name);
        block->setItems(std::move(items));
        return block;
    }

    static QStringList names(const MediaBlock& block)
    {
        QStringList result;
        for (const auto& item : block.items())
            result << MediaRowView::displayName(*item);
        return result;
    }

    QStringList blockNames() const
    {
        QStringList result;
        for (const auto& block : engine->blocks())
            result << block->name();
        return result;
    }

    static std::unique_ptr<QMimeData> uriList(const QStringList& mediaNames)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& name : mediaNames)
            urls << QUrl::fromLocalFile(mediaPath(name));
        data->setUrls(urls);
        return data;
    }

    static std::unique_ptr<QMimeData> text(const QString& text)
    {
        auto data = std::make_unique<QMimeData>();
        data->setText(text);
        return data;
    }

    // Delivers an enter, a move and (when drop) a drop at the centre of
    // target, as a file manager's drag that proposes a move; returns the
    // action the drop was taken with (IgnoreAction when refused).
    static Qt::DropAction dragOnto(QWidget* target, const QMimeData& data, bool drop = true,
                                   Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
    {
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setDropAction(Qt::MoveAction);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        if (!drop) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(target, &leave);
            return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
        }
        QDropEvent dropEvent(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        dropEvent.setDropAction(Qt::MoveAction);
        QApplication::sendEvent(target, &dropEvent);
        return dropEvent.isAccepted() ? dropEvent.dropAction() : Qt::IgnoreAction;
    }

    // The widget the window system hands a drag over the centre of over to:
    // the innermost widget there that accepts drops (a field that refuses
    // them passes the drag on to the view behind it).
    static QWidget* dropTargetUnder(QWidget* over)
    {
        QWidget* window = over->window();
        const QPoint at = over->mapTo(window, over->rect().center());
        QWidget* target = window->childAt(at);
        if (!target)
            target = window;
        while (target && !target->isWindow() && !target->acceptDrops())
            target = target->parentWidget();
        return target && target->acceptDrops() ? target : nullptr;
    }

    // A drag over the centre of over, delivered as the window system does.
    static Qt::DropAction dragOver(QWidget* over, const QMimeData& data, bool drop = true)
    {
        QWidget* target = dropTargetUnder(over);
        return target ? dragOnto(target, data, drop) : Qt::IgnoreAction;
    }

    // Lets MediaDrop's completion run.
    static void settle()
    {
        drainMainQueue();
        drainMainQueue();
    }

    std::unique_ptr<PlaylistColumnView> column;
};

} // namespace tessarin::test

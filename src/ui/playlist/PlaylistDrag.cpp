#include "ui/playlist/PlaylistDrag.h"

#include "media/MediaDrop.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>

namespace tessarin::PlaylistDrag {

bool PendingPress::becomesDrag(QPoint pos, Qt::MouseButtons buttons)
{
    if (!pressed || !(buttons & Qt::LeftButton))
        return false;
    if ((pos - origin).manhattanLength() < QApplication::startDragDistance())
        return false;
    pressed = false;
    return true;
}

Runner defaultRunner()
{
    return [](QDrag& drag) { return drag.exec(Qt::MoveAction, Qt::MoveAction); };
}

QString mimeType(Kind kind)
{
    return kind == Kind::block ? QStringLiteral("application/x-vellumcast-block-id")
                               : QStringLiteral("application/x-vellumcast-item-id");
}

QMimeData* makeMimeData(Kind kind, const QUuid& id)
{
    auto* data = new QMimeData;
    const QString text = id.toString(QUuid::WithoutBraces).toUpper();
    data->setText(text);
    data->setData(mimeType(kind), text.toLatin1());
    return data;
}

std::optional<QUuid> draggedID(const QMimeData& data, Kind kind)
{
    const QString type = mimeType(kind);
    if (!data.hasFormat(type))
        return std::nullopt;
    const QUuid id = QUuid::fromString(QString::fromLatin1(data.data(type)));
    if (id.isNull())
        return std::nullopt;
    return id;
}

bool isInternal(const QMimeData& data)
{
    return data.hasFormat(mimeType(Kind::block)) || data.hasFormat(mimeType(Kind::item));
}

bool acceptExternal(QDropEvent& event)
{
    const QMimeData* data = event.mimeData();
    if (!data || isInternal(*data) || !(event.possibleActions() & Qt::CopyAction) || !MediaDrop::canAccept(*data)) {
        event.ignore();
        return false;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    return true;
}

void acceptMove(QDropEvent& event)
{
    event.setDropAction(Qt::MoveAction);
    event.accept();
}

} // namespace tessarin::PlaylistDrag

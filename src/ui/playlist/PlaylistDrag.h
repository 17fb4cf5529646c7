#pragma once
// The drag vocabulary of the blocks column. An internal drag (a block by its
// card's handle, an item by its row) carries the dragged object's id as text
// and, under a private MIME type, once more: a target takes a drag for an
// internal one only when that private type names the object its own drag
// state holds, so text from another program is never mistaken for one.
// The drag state is cleared when the drag ends, wherever it ends.
// Everything else that is dropped is MediaDrop's, always as a copy (a file
// manager told "move" would delete the dropped file). Main thread.
#include <QPoint>
#include <QString>
#include <QUuid>
#include <Qt>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDrag;
class QDropEvent;
class QMimeData;

namespace tessarin {

class MediaBlock;

namespace PlaylistDrag {

enum class Kind { block, item };

// A press on a drag source, which turns into a drag once the held button
// moves past the platform's start distance, or ends as a click.
struct PendingPress {
    void press(QPoint pos)
    {
        pressed = true;
        origin = pos;
    }
    // True once, when the press turns into a drag.
    bool becomesDrag(QPoint pos, Qt::MouseButtons buttons);
    // True when the press was still pending (a click); ends it either way.
    bool release()
    {
        const bool was = pressed;
        pressed = false;
        return was;
    }

    bool pressed = false;
    QPoint origin;
};

// Runs a started drag to its end and returns its result, as QDrag::exec does.
using Runner = std::function<Qt::DropAction(QDrag&)>;
Runner defaultRunner();

QString mimeType(Kind kind);
// The payload of an internal drag: the id's upper-case text, and the id under
// the kind's private type.
QMimeData* makeMimeData(Kind kind, const QUuid& id);
// The id an internal drag of that kind carries; none for any other drag.
std::optional<QUuid> draggedID(const QMimeData& data, Kind kind);
bool isInternal(const QMimeData& data);

// Accepts a drag or drop of files and sources as a copy; false (ignored)
// when the drag cannot be copied or MediaDrop cannot take what it holds.
bool acceptExternal(QDropEvent& event);
// Accepts an internal drag as a move.
void acceptMove(QDropEvent& event);

// Moves the element with id dragged to the position of the element with id
// target, so that it takes that element's index (after it when moving down,
// before it when moving up). Nothing moves when either is missing or they
// are the same. Returns the move as (from, to) indices, to counted in the
// list after the element is taken out.
template <typename List>
std::optional<std::pair<std::size_t, std::size_t>> reorderMove(const List& list, const QUuid& dragged, const QUuid& target)
{
    if (dragged == target)
        return std::nullopt;
    const auto byID = [](const QUuid& id) { return [&id](const auto& e) { return e && e->id() == id; }; };
    const auto from = std::find_if(list.begin(), list.end(), byID(dragged));
    const auto to = std::find_if(list.begin(), list.end(), byID(target));
    if (from == list.end() || to == list.end())
        return std::nullopt;
    return std::pair { std::size_t(from - list.begin()), std::size_t(to - list.begin()) };
}

} // namespace PlaylistDrag

// The block drag state the blocks column shares with all its cards.
struct BlockDragState {
    std::shared_ptr<MediaBlock> draggingBlock;
    // The card the block drag last entered: passing between that card's
    // header and its rows (each a drop target of its own) is no new entry.
    std::optional<QUuid> hoveredCard;
    PlaylistDrag::Runner run = PlaylistDrag::defaultRunner();
};

} // namespace tessarin

#pragma once
// The rows the cards of a column gave back far from the view, hidden, kept
// to show items coming into view in any card: making a row and deleting
// one were most of the work of a scrolled page. A kept row stays the child
// of the card that gave it back until a card takes it. Main thread.
#include <QPointer>

#include <cstddef>
#include <vector>

namespace tessarin {

class MediaFile;
class MediaRowView;

class SpareRows {
public:
    static constexpr std::size_t kKept = 24;

    // Keeps a hidden row; false, keeping nothing, once kKept are kept.
    bool keep(MediaRowView* row);
    // A kept row of the item's kind, kept no longer; null when there is none.
    MediaRowView* take(const MediaFile& item);

private:
    std::vector<QPointer<MediaRowView>> rows_; // null once deleted with their card
};

} // namespace tessarin

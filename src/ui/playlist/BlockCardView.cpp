#include "ui/playlist/BlockCardView.h"

#include "engine/FollowEngine.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaDrop.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/BlockCardParts.h"
#include "ui/playlist/BlockSettingsView.h"
#include "ui/playlist/ReorderAnimation.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace tessarin {

BlockCardView::BlockCardView(std::shared_ptr<MediaBlock> block, PlaylistEngine& engine, BlockDragState& dragState,
                             RowHeights& heights, const ColumnView& view, std::function<void()> onDelete,
                             QWidget* parent)
    : QWidget(parent)
    , block_(std::move(block))
    , engine_(engine)
    , dragState_(dragState)
    , heights_(heights)
    , view_(view)
    , onDelete_(std::move(onDelete))
{
    setAcceptDrops(true);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Theme::panel());
    setPalette(palette);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    separator_ = new ColorLine(this);
    layout->addWidget(separator_);
    hint_ = new EmptyBlockHint(this);
    layout->addWidget(hint_);
    rowsArea_ = new RowsArea(this);
    layout->addWidget(rowsArea_);
    frame_ = new CardFrame(this);
    rowsArea_->setTabStart(delete_);

    MediaBlock* b = block_.get();
    connect(b, &MediaBlock::nameChanged, this, &BlockCardView::refreshHeader);
    connect(b, &MediaBlock::loopChanged, this, &BlockCardView::refreshHeader);
    connect(b, &MediaBlock::itemsChanged, this, &BlockCardView::syncRows);
    followEngine(engine_, this,
        { &PlaylistEngine::currentBlockIDChanged, &PlaylistEngine::currentItemIDChanged,
          &PlaylistEngine::isPlayingChanged, &PlaylistEngine::cuedItemChanged, &PlaylistEngine::selectedItemChanged,
          &PlaylistEngine::liveStatusChanged },
        [this] { refreshMarks(); });
    followMoveKeys();
    syncRows();
}

BlockCardView::~BlockCardView() = default;

QWidget* BlockCardView::buildHeader()
{
    header_ = new CardHeader(this);
    auto* h = new QHBoxLayout(header_);
    h->setContentsMargins(8, 7, 8, 7);
    h->setSpacing(8);

    handle_ = new DragHandle(header_);
    handle_->onDragStart = [this] { startBlockDrag(); };
    name_ = new ElidingLineEdit(header_);
    name_->setFrame(false);
    name_->setPlaceholderText(tr("Nome blocco"));
    name_->setAccessibleName(tr("Nome blocco"));
    name_->setFont(Theme::font(14, QFont::DemiBold));
    QPalette palette = name_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::textPrimary());
    palette.setColor(QPalette::PlaceholderText, Theme::textTertiary());
    name_->setPalette(palette);
    name_->setMinimumWidth(40);
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) { block_->setName(text); });
    count_ = new CountCapsule(header_);
    badge_ = new OnAirBadge(true, header_);
    badge_->hide();

    play_ = new IconButton(QStringLiteral("play.fill"), tr("Riproduci blocco"), {}, header_);
    play_->setGlyphColor(Theme::accent());
    connect(play_, &QAbstractButton::clicked, this, [this] { engine_.play(block_); });
    loop_ = new IconButton(QStringLiteral("repeat"), tr("Loop blocco (ricomincia dal primo video alla fine)"), {}, header_);
    loop_->setCheckable(true);
    connect(loop_, &QAbstractButton::clicked, this, [this] { block_->setLoop(!block_->loop()); });
    settings_ = new IconButton(QStringLiteral("gearshape"), tr("Impostazioni blocco"), {}, header_);
    settings_->setGlyphColor(Theme::textSecondary());
    connect(settings_, &QAbstractButton::clicked, this, &BlockCardView::openSettings);
    delete_ = new IconButton(QStringLiteral("trash"), tr("Elimina blocco"), {}, header_);
    delete_->setGlyphColor(Theme::textSecondary());
    connect(delete_, &QAbstractButton::clicked, this, [this] { if (onDelete_) onDelete_(); });

    h->addWidget(handle_);
    h->addWidget(name_, 1);
    h->addWidget(count_);
    h->addWidget(badge_);
    h->addSpacing(4);
    for (QWidget* w : { static_cast<QWidget*>(play_), static_cast<QWidget*>(loop_), static_cast<QWidget*>(settings_),
                        static_cast<QWidget*>(delete_) })
        h->addWidget(w);
    return header_;
}

bool BlockCardView::isOnAir() const
{
    const auto& id = engine_.currentBlockID();
    return id && *id == block_->id();
}

QList<MediaRowView*> BlockCardView::rowsInOrder() const
{
    QList<MediaRowView*> result;
    for (int i = 0; i < rowsArea_->count(); ++i) {
        if (auto* row = qobject_cast<MediaRowView*>(rowsArea_->rowAt(i)))
            result.append(row);
    }
    return result;
}

MediaRowView* BlockCardView::makeRow(const std::shared_ptr<MediaFile>& item)
{
    auto* row = new MediaRowView(item, actionsFor(item), rowsArea_);
    row->setAcceptDrops(true);
    row->installEventFilter(this);
    return row;
}

MediaRowView::Actions BlockCardView::actionsFor(const std::shared_ptr<MediaFile>& item)
{
    MediaRowView::Actions actions;
    actions.onPlay = [this, item] { engine_.play(item, block_); };
    actions.onCue = [this, item] { engine_.cue(item, block_); };
    actions.onSelect = [this, item] { engine_.select(item, block_); };
    actions.onRemove = [this, id = item->id()] {
        MediaBlock::Items items = block_->items();
        std::erase_if(items, [&](const auto& i) { return i && i->id() == id; });
        block_->setItems(std::move(items));
    };
    actions.onDragStart = [this, item] { startItemDrag(item); };
    return actions;
}

void BlockCardView::syncRows()
{
    const MediaBlock::Items& items = block_->items();
    QHash<QUuid, MediaRowView*> next;
    next.reserve(qsizetype(items.size()));
    std::vector<std::shared_ptr<MediaFile>> listed;
    listed.reserve(items.size());
    // Per item in order: its row, or the height it keeps until it is made.
    std::vector<std::pair<MediaRowView*, int>> order;
    order.reserve(items.size());
    for (const auto& item : items) {
        if (!item || next.contains(item->id()))
            continue;
        MediaRowView* row = rows_.take(item->id());
        if (row && row->item() != item) {
            rows_.insert(QUuid::createUuid(), row); // retired below
            row = nullptr;
        }
        if (row)
            next.insert(item->id(), row);
        listed.push_back(item);
        order.emplace_back(row, row ? 0 : heights_.row(item));
    }
    // Rows of items that left the block; deleted later, since the click
    // that removed an item may still be running in its row.
    for (MediaRowView* row : std::as_const(rows_)) {
        // Hiding a row that holds the focus hands it on, possibly to the
        // next block's name field; nothing keeps it instead.
        if (QWidget* focus = QApplication::focusWidget(); focus && row->isAncestorOf(focus))
            focus->clearFocus();
        row->hide();
        row->removeEventFilter(this);
        row->deleteLater();
    }
    rows_ = std::move(next);
    listed_ = std::move(listed);
    // The rows are placed again only when what the area holds differs.
    bool same = rowsArea_->count() == int(order.size());
    bool moved = false;
    QList<QWidget*> shown;
    for (int i = 0; i < rowsArea_->count(); ++i) {
        if (QWidget* row = rowsArea_->rowAt(i))
            shown.append(row);
    }
    for (int i = 0; i < int(order.size()); ++i) {
        const auto& [row, height] = order[std::size_t(i)];
        const bool matches = i < rowsArea_->count()
            && (row ? rowsArea_->rowAt(i) == row
                    : !rowsArea_->rowAt(i) && rowsArea_->placeRect(i).height() == height);
        if (!matches) {
            same = false;
            if (row && shown.contains(row))
                moved = true; // a move, not a new widget
        }
    }
    if (!same) {
        std::optional<ReorderAnimation> slide;
        if (moved)
            slide.emplace(shown);
        std::vector<RowsArea::Place> places;
        places.reserve(order.size());
        QList<QWidget*> rows;
        for (const auto& [row, height] : order) {
            places.push_back({row, height});
            if (row)
                rows.append(row);
        }
        rowsArea_->setPlaces(std::move(places));
        if (slide)
            slide->slide(rows);
    }
    hint_->setVisible(order.empty());
    frame_->raise();
    refreshHeader();
    applyRowMarks();
    fillView();
}

void BlockCardView::fillView()
{
    // Places are compared with the view as they are now: rows for places
    // beyond the card's present height (items just added) are made too.
    // A card is placed (and shown) by the column before it makes rows.
    if (isHidden())
        return;
    const QRect make = view_.in(*rowsArea_, ColumnView::kMadeAround);
    const QRect keep = view_.in(*rowsArea_, ColumnView::kKeptAround);
    if (make.isEmpty())
        return;
    bool made = false;
    for (int i = 0; i < rowsArea_->count() && i < int(listed_.size()); ++i) {
        const QRect place = rowsArea_->placeRect(i);
        auto* row = static_cast<MediaRowView*>(rowsArea_->rowAt(i));
        if (row) {
            if ((place.bottom() < keep.top() || place.top() > keep.bottom()) && !isRowInUse(*row)) {
                rowsArea_->takeRow(i);
                rows_.remove(row->item()->id());
                releaseRow(row);
            }
            continue;
        }
        if (place.bottom() < make.top() || place.top() > make.bottom())
            continue;
        const auto& item = listed_[std::size_t(i)];
        row = makeRow(item);
        rows_.insert(item->id(), row);
        row->setMarks(marksFor(*item, i));
        rowsArea_->setRow(i, row);
        made = true;
    }
    if (made)
        frame_->raise();
}

bool BlockCardView::isRowInUse(const MediaRowView& row) const
{
    const QWidget* focus = QApplication::focusWidget();
    return (focus && (focus == &row || row.isAncestorOf(focus))) || row.trimEditor()
        || (draggingItem_ && draggingItem_->id() == row.item()->id());
}

void BlockCardView::releaseRow(MediaRowView* row)
{
    // Deleted later: a click or a drag may still be running in it.
    row->hide();
    row->removeEventFilter(this);
    row->deleteLater();
}

bool BlockCardView::isInUse() const
{
    const QWidget* focus = QApplication::focusWidget();
    if ((focus && isAncestorOf(focus)) || settingsPopover_ || draggingItem_ || isTargeted_
        || (dragState_.draggingBlock && dragState_.draggingBlock == block_))
        return true;
    for (const MediaRowView* row : std::as_const(rows_)) {
        if (row->trimEditor())
            return true;
    }
    return false;
}

int BlockCardView::headerHeight() const
{
    return header_->sizeHint().height() + separator_->minimumHeight();
}

void BlockCardView::refreshHeader()
{
    const bool onAir = isOnAir();
    headerShows_ = { onAir, engine_.isPlaying() };
    if (name_->text() != block_->name()) {
        name_->setText(block_->name());
        if (!name_->hasFocus())
            name_->setCursorPosition(0); // show the name's start, not its end
    }
    count_->setCount(qsizetype(block_->items().size()));
    badge_->setIsPlaying(engine_.isPlaying());
    badge_->setVisible(onAir);
    header_->setOnAir(onAir);
    separator_->setColor(onAir ? Theme::withAlpha(Theme::accent(), 0.7) : Theme::panelBorder());
    play_->setEnabled(!block_->items().empty());
    loop_->setChecked(block_->loop());
    loop_->setGlyphColor(block_->loop() ? Theme::accent() : Theme::textSecondary());
    if (isTargeted_)
        frame_->setBorder(Theme::accent(), 2);
    else if (onAir)
        frame_->setBorder(Theme::withAlpha(Theme::accent(), 0.55), 1);
    else
        frame_->setBorder(Theme::panelBorder(), 1);
    if (shadowOnAir_ != onAir) {
        // The list behind the card draws its shadow.
        shadowOnAir_ = onAir;
        if (parentWidget())
            parentWidget()->update(geometry().adjusted(-12, -12, 12, 14));
    }
}

void BlockCardView::refreshMarks()
{
    // Of the engine, the header shows only whether this block is on air and
    // whether the program runs: the other cards' headers stay as they are.
    if (headerShows_ != HeaderShows { isOnAir(), engine_.isPlaying() })
        refreshHeader();
    const MarksSource now = marksSourceNow();
    if (now == marksSource_)
        return;
    // Only the rows of the items named before or now can change their
    // marks: a take in a card of a thousand rows visits two.
    const MarksSource before = marksSource_;
    marksSource_ = now;
    std::vector<QUuid> visited;
    for (const auto& id : { before.current, before.cued, before.selected, now.current, now.cued, now.selected }) {
        if (!id || std::find(visited.begin(), visited.end(), *id) != visited.end())
            continue;
        visited.push_back(*id);
        if (MediaRowView* row = rows_.value(*id))
            row->setMarks(marksFor(*row->item(), row->marks().index));
    }
}

BlockCardView::MarksSource BlockCardView::marksSourceNow() const
{
    MarksSource now;
    now.current = engine_.currentItemID();
    if (engine_.cuedItem())
        now.cued = engine_.cuedItem()->id();
    if (engine_.selectedItem())
        now.selected = engine_.selectedItem()->id();
    now.playing = engine_.isPlaying();
    now.liveStatus = engine_.liveStatus();
    return now;
}

MediaRowView::Marks BlockCardView::marksFor(const MediaFile& item, int position) const
{
    const auto& current = engine_.currentItemID();
    const auto& cued = engine_.cuedItem();
    const auto& selected = engine_.selectedItem();
    MediaRowView::Marks marks;
    marks.index = position;
    marks.isOnAir = current && *current == item.id();
    marks.isPlaying = marks.isOnAir && engine_.isPlaying();
    marks.isCued = cued && cued->id() == item.id();
    marks.isSelected = selected && selected->id() == item.id();
    if (marks.isOnAir && item.isLive())
        marks.liveStatus = engine_.liveStatus();
    return marks;
}

void BlockCardView::applyRowMarks()
{
    marksSource_ = marksSourceNow();
    int position = -1;
    for (const auto& item : block_->items()) {
        ++position;
        MediaRowView* row = item ? rows_.value(item->id()) : nullptr;
        if (row && row->item() == item)
            row->setMarks(marksFor(*item, position));
    }
}

void BlockCardView::setTargeted(bool targeted)
{
    if (targeted == isTargeted_)
        return;
    isTargeted_ = targeted;
    refreshHeader();
}

void BlockCardView::openSettings()
{
    if (settingsPopover_)
        return;
    settingsPopover_ = new Popover(new BlockSettingsView(block_), this);
    connect(settingsPopover_, &Popover::closed, settingsPopover_, &QObject::deleteLater);
    settingsPopover_->showFor(settings_);
}

void BlockCardView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    frame_->setGeometry(rect());
}

} // namespace tessarin

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
#include "ui/playlist/BlockItemList.h"
#include "ui/playlist/BlockItemModel.h"
#include "ui/playlist/BlockSettingsView.h"

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
                             ItemRowStamps& stamps, std::function<void()> onDelete, QWidget* parent)
    : QWidget(parent)
    , block_(std::move(block))
    , engine_(engine)
    , dragState_(dragState)
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
    model_ = new BlockItemModel(block_, engine_, this);
    list_ = new BlockItemList(*model_, stamps, [this](const auto& item) { return actionsFor(item); }, this);
    list_->onRowDragOver = [this](int row, QDropEvent& event, bool entering) {
        return rowDragOver(row, event, entering);
    };
    list_->onRowDrop = [this](int row, QDropEvent& event) { rowDrop(row, event); };
    list_->onDragLeave = [this] { setTargeted(false); };
    // The last row gone with the focus in it: the block takes it, at its
    // settings (its name field would take the next key as a letter).
    list_->onLastRowGone = [this] { settings_->setFocus(Qt::OtherFocusReason); };
    layout->addWidget(list_);
    // Whatever height the card has beyond its parts lies under its rows: a
    // row removed leaves the card as high as it was until the column places
    // it again (at a later turn of the event loop), and meanwhile the rows
    // above it stay where they are drawn, under the pointer that removed it.
    layout->addStretch(1);
    frame_ = new CardFrame(this);
    setTabOrder(delete_, list_);

    MediaBlock* b = block_.get();
    connect(b, &MediaBlock::nameChanged, this, &BlockCardView::refreshHeader);
    connect(b, &MediaBlock::loopChanged, this, &BlockCardView::refreshHeader);
    connect(b, &MediaBlock::itemsChanged, this, &BlockCardView::syncRows);
    followEngine(engine_, this, { &PlaylistEngine::currentBlockIDChanged, &PlaylistEngine::isPlayingChanged },
        [this] {
            // Of the engine, the header shows only whether this block is on
            // air and whether the program runs: the other cards' headers
            // stay as they are. The rows follow their model.
            if (headerShows_ != HeaderShows { isOnAir(), engine_.isPlaying() })
                refreshHeader();
        });
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

MediaRowView* BlockCardView::row(const QUuid& itemID) { return list_->openRow(itemID); }

QList<MediaRowView*> BlockCardView::rowsInOrder() const { return list_->liveRows(); }

int BlockCardView::rowsMade() const { return int(list_->liveRows().size()); }

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
    const bool empty = block_->items().empty();
    hint_->setVisible(empty);
    list_->setVisible(!empty);
    frame_->raise();
    refreshHeader();
}

bool BlockCardView::isInUse() const
{
    const QWidget* focus = QApplication::focusWidget();
    return (focus && isAncestorOf(focus)) || settingsPopover_ || draggingItem_ || isTargeted_
        || (dragState_.draggingBlock && dragState_.draggingBlock == block_) || list_->isInUse();
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
    // The header's buttons say whose they are, as a row's controls do.
    for (IconButton* control : { play_, loop_, settings_, delete_ })
        nameAsOf(control, control->toolTip(), block_->name().trimmed());
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

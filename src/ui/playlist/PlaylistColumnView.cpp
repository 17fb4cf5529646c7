#include "ui/playlist/PlaylistColumnView.h"

#include "engine/PlaylistEngine.h"
#include "media/MediaDrop.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Labels.h"
#include "ui/kit/SectionTitle.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/BlockCardParts.h"
#include "ui/playlist/BlockCardView.h"
#include "ui/playlist/BlockItemList.h"
#include "ui/playlist/MediaRowView.h"
#include "media/MediaBlock.h"
#include "ui/playlist/PlaylistColumnParts.h"
#include "ui/playlist/ReorderAnimation.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace tessarin {
PlaylistColumnView::PlaylistColumnView(PlaylistEngine& engine, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , heights_([this](const std::shared_ptr<MediaFile>& item, int width) { return stamps_.height(item, {}, width); })
{
    setMinimumWidth(360);
    setMaximumWidth(460);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Theme::panel());
    setPalette(palette);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new HeaderFill(this);
    auto* h = new QHBoxLayout(header);
    h->setContentsMargins(10, 8, 10, 8);
    h->addWidget(new SectionTitle(tr("Blocchi"), QStringLiteral("square.stack.3d.up"), header));
    h->addStretch(1);
    newBlock_ = new SymbolPillButton(QStringLiteral("plus"), tr("Nuovo blocco"), { Theme::accent(), true }, header);
    connect(newBlock_, &QAbstractButton::clicked, this, [this] { engine_.addBlock(); });
    h->addWidget(newBlock_);
    column->addWidget(header);
    column->addWidget(new ColorLine(this));

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    useThinScrollBars(*scroll_);
    list_ = new CardList(scroll_);
    hint_ = new QLabel(tr("Trascina qui file o sorgenti dal browser per creare automaticamente un blocco, oppure crealo con “Nuovo blocco”."), list_);
    hint_->setWordWrap(true);
    hint_->setFont(Theme::font(12));
    setTextColor(hint_, Theme::textSecondary());
    dropZone_ = new DropZone(list_);
    dropZone_->onDrop = [this](const QMimeData& data) { handleNewBlockDrop(data); };
    scroll_->setWidget(list_);
    column->addWidget(scroll_, 1);
    view_.viewport = scroll_->viewport();

    connect(&engine_, &PlaylistEngine::blocksChanged, this, &PlaylistColumnView::syncCards);
    connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this, &PlaylistColumnView::fillView);
    scroll_->viewport()->installEventFilter(this);
    list_->installEventFilter(this);
    list_->onPlaced = [this] { fillView(); };
    list_->setTabStart(newBlock_);
    // The FocusIn events of the column's controls, to see Shift+Tab come in.
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { focusWasInside_ = now && list_->isAncestorOf(now); });
    learnCardParts();
    syncCards();
}

PlaylistColumnView::~PlaylistColumnView()
{
    // Nothing of the application's focus is followed while the cards go.
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
    // The cards use the heights, the view and the drag state: they go first.
    list_->onPlaced = nullptr;
    delete scroll_;
}

QSize PlaylistColumnView::sizeHint() const
{
    return { minimumWidth(), QWidget::sizeHint().height() };
}

QList<BlockCardView*> PlaylistColumnView::cardsInOrder() const
{
    QList<BlockCardView*> result;
    for (const auto& block : listed_) {
        if (BlockCardView* card = cards_.value(block->id()))
            result.append(card);
    }
    return result;
}

void PlaylistColumnView::learnCardParts()
{
    // A card of an empty block, never shown: its header and its hint are
    // as high as every card's.
    BlockCardView probe(std::make_shared<MediaBlock>(QString(), QUuid::createUuid()), engine_, dragState_, stamps_, {},
                        list_);
    probe.hide();
    probe.ensurePolished();
    heights_.setCardParts(probe.headerHeight(), probe.emptyHint()->sizeHint().height());
}

int PlaylistColumnView::placeHeight(const MediaBlock& block)
{
    Estimate& estimate = estimates_[block.id()];
    if (estimate.generation != heights_.generation()) {
        estimate.height = heights_.card(block);
        estimate.generation = heights_.generation();
    }
    return estimate.height;
}

BlockCardView* PlaylistColumnView::makeCard(const std::shared_ptr<MediaBlock>& block)
{
    std::weak_ptr<MediaBlock> weak = block;
    return new BlockCardView(block, engine_, dragState_, stamps_, [this, weak] {
        if (auto b = weak.lock())
            engine_.removeBlock(b);
    }, list_);
}

void PlaylistColumnView::syncCards()
{
    const auto& blocks = engine_.blocks();
    std::vector<std::shared_ptr<MediaBlock>> listed;
    listed.reserve(blocks.size());
    QHash<QUuid, BlockCardView*> next;
    QHash<QUuid, QMetaObject::Connection> followed;
    followed.reserve(qsizetype(blocks.size()));
    for (const auto& block : blocks) {
        if (!block || followed.contains(block->id()))
            continue;
        BlockCardView* card = cards_.take(block->id());
        if (card && card->block() != block) {
            cards_.insert(QUuid::createUuid(), card); // retired below
            card = nullptr;
        }
        if (card)
            next.insert(block->id(), card);
        QMetaObject::Connection connection = followed_.take(block->id());
        if (!connection) {
            const QUuid id = block->id();
            connection = connect(block.get(), &MediaBlock::itemsChanged, this, [this, id] { blockItemsChanged(id); });
        }
        followed.insert(block->id(), connection);
        listed.push_back(block);
    }
    for (const auto& connection : std::as_const(followed_))
        disconnect(connection);
    followed_ = std::move(followed);
    // Cards of blocks that left; deleted later, since the delete button's
    // click may still be running in one of them.
    std::optional<Leaving> leaving;
    for (BlockCardView* card : std::as_const(cards_)) {
        // Hiding a card that holds the focus would hand it to the next
        // card's name field, where the next key would overwrite the name:
        // it goes to the same header control of the card that takes the
        // place (below).
        if (QWidget* focus = QApplication::focusWidget(); focus && card->isAncestorOf(focus)) {
            const auto at = std::find(listed_.begin(), listed_.end(), card->block());
            leaving = Leaving { int(at - listed_.begin()), focus->toolTip() };
            focus->clearFocus();
        }
        card->hide();
        card->deleteLater();
    }
    cards_ = std::move(next);
    for (auto it = estimates_.begin(); it != estimates_.end();) {
        if (followed_.contains(it.key()))
            ++it;
        else
            it = estimates_.erase(it);
    }

    hint_->setVisible(listed.empty());
    // Made cards that move slide to their new places.
    QList<QWidget*> made;
    for (BlockCardView* card : std::as_const(cards_))
        made.append(card);
    bool moved = false;
    for (int i = 0; i < int(listed.size()) && !moved; ++i) {
        BlockCardView* card = cards_.value(listed[std::size_t(i)]->id());
        moved = card && (i >= int(listed_.size()) || listed_[std::size_t(i)] != listed[std::size_t(i)]);
    }
    std::optional<ReorderAnimation> slide;
    if (moved)
        slide.emplace(made);
    listed_ = std::move(listed);
    list_->setPlaces(places());
    if (slide)
        slide->slide(made);
    fillView();
    list_->update();
    if (leaving)
        refocus(*leaving);
}

void PlaylistColumnView::enterFromBehind(QWidget* focus)
{
    if (listed_.empty())
        return;
    const auto& last = listed_.back();
    BlockCardView* card = cards_.value(last->id());
    if (card && card->isAncestorOf(focus))
        return; // in the last card already
    if (!card) {
        // Made where it will show: the column at its end.
        QScrollBar* bar = scroll_->verticalScrollBar();
        bar->setValue(bar->maximum());
        fillView();
        card = cards_.value(last->id());
        if (!card)
            return;
    }
    // Queued: the focus is still being handed to the control that called.
    QTimer::singleShot(0, card, [card] {
        if (card->block()->items().empty())
            card->deleteButton()->setFocus(Qt::BacktabFocusReason);
        else
            card->itemList()->setFocus(Qt::BacktabFocusReason); // hands it to the last row's last control
    });
}

void PlaylistColumnView::refocus(const Leaving& leaving)
{
    // The card now in the place of the one that went (the one before it
    // when that was the last), at the same control of its header; the
    // "Nuovo blocco" button when no block is left.
    QWidget* target = newBlock_;
    if (!listed_.empty()) {
        const int index = std::clamp(leaving.index, 0, int(listed_.size()) - 1);
        BlockCardView* card = cards_.value(listed_[std::size_t(index)]->id());
        if (card) {
            target = card->settingsButton();
            for (QWidget* control : { static_cast<QWidget*>(card->playButton()), static_cast<QWidget*>(card->loopButton()),
                                      static_cast<QWidget*>(card->settingsButton()),
                                      static_cast<QWidget*>(card->deleteButton()) }) {
                if (control->toolTip() == leaving.control && control->isEnabled())
                    target = control;
            }
        }
    }
    target->setFocus(Qt::OtherFocusReason);
}

std::vector<RowsArea::Place> PlaylistColumnView::places()
{
    // The hint while there is no block, a card or its height per block, and
    // the drop zone.
    std::vector<RowsArea::Place> places;
    places.reserve(listed_.size() + 1);
    if (listed_.empty())
        places.push_back({ hint_, 0 });
    for (const auto& block : listed_) {
        BlockCardView* card = cards_.value(block->id());
        places.push_back({ card, card ? 0 : placeHeight(*block) });
    }
    places.push_back({ dropZone_, 0 });
    return places;
}

void PlaylistColumnView::blockItemsChanged(const QUuid& blockID)
{
    estimates_.remove(blockID);
    if (cards_.contains(blockID))
        return; // the card follows its items and asks for its own height
    for (int i = 0; i < int(listed_.size()); ++i) {
        if (listed_[std::size_t(i)]->id() == blockID) {
            list_->setPlaceHeight(i, placeHeight(*listed_[std::size_t(i)]));
            return;
        }
    }
}

void PlaylistColumnView::releaseCard(int index)
{
    const auto& block = listed_[std::size_t(index)];
    BlockCardView* card = cards_.take(block->id());
    if (!card)
        return;
    list_->takeRow(index);
    card->hide();
    card->deleteLater();
}

void PlaylistColumnView::fillView()
{
    if (filling_) {
        fillAgain_ = true;
        return;
    }
    filling_ = true;
    const int width = list_->width() - 20;
    if (width > 0 && width != heights_.width()) {
        // Rows of another width are of another height: every place not
        // made is worked out again.
        heights_.setWidth(width);
        list_->setPlaces(places());
    }
    for (int round = 0; round < 8; ++round) {
        fillAgain_ = false;
        const QRect make = view_.in(*list_, ColumnView::kMadeAround);
        const QRect keep = view_.in(*list_, ColumnView::kKeptAround);
        if (make.isEmpty())
            break;
        for (int i = 0; i < int(listed_.size()); ++i) {
            const auto& block = listed_[std::size_t(i)];
            const QRect place = list_->placeRect(i);
            BlockCardView* card = cards_.value(block->id());
            const bool near = place.top() <= make.bottom() && place.bottom() >= make.top();
            if (!card && near) {
                card = makeCard(block);
                cards_.insert(block->id(), card);
                list_->setRow(i, card);
                if (card->layout())
                    card->layout()->activate();
            } else if (card && (place.bottom() < keep.top() || place.top() > keep.bottom()) && !card->isInUse()) {
                releaseCard(i);
            }
        }
        if (!fillAgain_)
            break;
    }
    filling_ = false;
}

bool PlaylistColumnView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(event)->reason() == Qt::BacktabFocusReason
        && !focusWasInside_ && watched->isWidgetType() && list_->isAncestorOf(static_cast<QWidget*>(watched))) {
        focusWasInside_ = true;
        enterFromBehind(static_cast<QWidget*>(watched));
        return false;
    }
    if (event->type() == QEvent::Resize && (watched == scroll_->viewport() || watched == list_))
        fillView();
    return QWidget::eventFilter(watched, event);
}

void PlaylistColumnView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fillView();
}

void PlaylistColumnView::handleNewBlockDrop(const QMimeData& data)
{
    QPointer<PlaylistEngine> engine(&engine_);
    MediaDrop::loadItems(MediaDrop::items(data), [engine](std::vector<std::shared_ptr<MediaFile>> files) {
        if (!engine || files.empty())
            return;
        engine->addBlock()->appendItems(files);
    });
}

} // namespace tessarin

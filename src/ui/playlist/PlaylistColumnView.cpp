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
#include "ui/playlist/PlaylistColumnParts.h"
#include "ui/playlist/ReorderAnimation.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <vector>

namespace tessarin {

PlaylistColumnView::PlaylistColumnView(PlaylistEngine& engine, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
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
    listLayout_ = new QVBoxLayout(list_);
    listLayout_->setContentsMargins(10, 10, 10, 10);
    listLayout_->setSpacing(10);
    hint_ = new QLabel(tr("Trascina qui file o sorgenti dal browser per creare automaticamente un blocco, oppure crealo con “Nuovo blocco”."), list_);
    hint_->setWordWrap(true);
    hint_->setFont(Theme::font(12));
    setTextColor(hint_, Theme::textSecondary());
    listLayout_->addWidget(hint_);
    dropZone_ = new DropZone(list_);
    dropZone_->onDrop = [this](const QMimeData& data) { handleNewBlockDrop(data); };
    listLayout_->addWidget(dropZone_);
    listLayout_->addStretch(1);
    scroll_->setWidget(list_);
    column->addWidget(scroll_, 1);

    connect(&engine_, &PlaylistEngine::blocksChanged, this, &PlaylistColumnView::syncCards);
    connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this, &PlaylistColumnView::giveBackFarRows);
    syncCards();
}

PlaylistColumnView::~PlaylistColumnView() = default;

QSize PlaylistColumnView::sizeHint() const
{
    return { minimumWidth(), QWidget::sizeHint().height() };
}

QList<BlockCardView*> PlaylistColumnView::cardsInOrder() const
{
    QList<BlockCardView*> result;
    for (int i = 0; i < listLayout_->count(); ++i) {
        if (auto* card = qobject_cast<BlockCardView*>(listLayout_->itemAt(i)->widget()))
            result.append(card);
    }
    return result;
}

void PlaylistColumnView::syncCards()
{
    const auto& blocks = engine_.blocks();
    QHash<QUuid, BlockCardView*> next;
    next.reserve(qsizetype(blocks.size()));
    std::vector<BlockCardView*> order;
    order.reserve(blocks.size());
    for (const auto& block : blocks) {
        if (!block || next.contains(block->id()))
            continue;
        BlockCardView* card = cards_.take(block->id());
        if (card && card->block() != block) {
            cards_.insert(QUuid::createUuid(), card); // retired below
            card = nullptr;
        }
        if (!card) {
            std::weak_ptr<MediaBlock> weak = block;
            card = new BlockCardView(block, engine_, dragState_, spareRows_, [this, weak] {
                if (auto b = weak.lock())
                    engine_.removeBlock(b);
            }, list_);
            connect(card, &BlockCardView::rowsMadeInView, this, &PlaylistColumnView::giveBackFarRows);
        }
        next.insert(block->id(), card);
        order.push_back(card);
    }
    // Cards of blocks that left; deleted later, since the delete button's
    // click may still be running in one of them.
    for (BlockCardView* card : std::as_const(cards_)) {
        // Hiding a card that holds the focus hands it to the next card's
        // name field, where the next key would overwrite the name.
        if (QWidget* focus = QApplication::focusWidget(); focus && card->isAncestorOf(focus))
            focus->clearFocus();
        listLayout_->removeWidget(card);
        card->hide();
        card->deleteLater();
    }
    cards_ = std::move(next);
    // The hint comes first, then the cards.
    std::optional<ReorderAnimation> slide;
    for (int i = 0; i < int(order.size()); ++i) {
        QLayoutItem* at = listLayout_->itemAt(i + 1);
        if (at && at->widget() == order[std::size_t(i)])
            continue;
        if (!slide && listLayout_->indexOf(order[std::size_t(i)]) >= 0) // a move, not a new widget
            slide.emplace(*listLayout_);
        listLayout_->removeWidget(order[std::size_t(i)]);
        listLayout_->insertWidget(i + 1, order[std::size_t(i)]);
    }
    hint_->setVisible(order.empty());
    if (slide)
        slide->run(*listLayout_);
    list_->update();
}

void PlaylistColumnView::giveBackFarRows()
{
    int made = 0;
    for (const BlockCardView* card : std::as_const(cards_))
        made += card->rowsMade();
    int excess = std::min(made - kRowsKept, kRowsTakenAtOnce);
    const int page = scroll_->viewport()->height();
    if (excess <= 0 || page <= 0)
        return;
    // The view and two pages either side, in the list's coordinates.
    const QRect near(0, scroll_->verticalScrollBar()->value() - 2 * page, list_->width(), 5 * page);
    // The cards farthest from it first.
    std::vector<std::pair<int, BlockCardView*>> holding;
    for (BlockCardView* card : std::as_const(cards_)) {
        if (card->rowsMade() == 0)
            continue;
        const QRect r = card->geometry();
        holding.emplace_back(std::max({ near.top() - r.bottom(), r.top() - near.bottom(), 0 }), card);
    }
    std::sort(holding.begin(), holding.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [distance, card] : holding) {
        excess -= card->giveBackRowsOutside(near.translated(-card->pos()), excess);
        if (excess <= 0)
            break;
    }
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

#include "ui/playlist/NowPlayingLine.h"

#include "engine/FollowEngine.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "ui/kit/DisplayName.h"
#include "ui/kit/Labels.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Theme.h"

#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

namespace tessarin {

NowPlayingLine::NowPlayingLine(PlaylistEngine& engine, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , badge_(new OnAirBadge(false, this))
    , item_(new ElidedLabel({}, Qt::ElideRight, this))
    , block_(new ElidedLabel({}, Qt::ElideRight, this))
    , idle_(new QLabel(tr("Nessuna riproduzione"), this))
    , failure_(new ElidedLabel({}, Qt::ElideRight, this))
{
    item_->setFont(Theme::font(14, QFont::DemiBold));
    item_->setColor(Theme::textPrimary());
    block_->setFont(Theme::font(12));
    block_->setColor(Theme::textSecondary());
    idle_->setFont(Theme::font(13));
    setTextColor(idle_, Theme::textSecondary());
    failure_->setFont(Theme::font(12, QFont::DemiBold));
    failure_->setColor(Theme::meterHigh());

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(badge_, 0, Qt::AlignVCenter);
    row->addWidget(item_, 0, Qt::AlignVCenter);
    row->addWidget(block_, 0, Qt::AlignVCenter);
    row->addWidget(idle_, 0, Qt::AlignVCenter);
    row->addWidget(failure_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    setFixedHeight(22);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    followEngine(engine_, this,
        { &PlaylistEngine::isPlayingChanged, &PlaylistEngine::currentBlockIDChanged,
          &PlaylistEngine::currentItemIDChanged, &PlaylistEngine::blocksChanged },
        [this] { follow(); });
    connect(&engine_, &PlaylistEngine::playbackFailureChanged, this, &NowPlayingLine::followFailure);
    follow();
    followFailure();
}

void NowPlayingLine::followFailure()
{
    const auto& failure = engine_.playbackFailure();
    failure_->setVisible(failure.has_value());
    if (!failure)
        return shareRoom();
    const QString name = failure->item ? itemDisplayName(*failure->item) : QString();
    const QString text = tr("Impossibile riprodurre «%1»: %2").arg(name, failure->reason);
    failure_->setText(text);
    failure_->setToolTip(text);
    failure_->setAccessibleName(text);
    shareRoom();
}

void NowPlayingLine::follow()
{
    const auto block = engine_.currentBlock();
    const auto item = engine_.currentItem();
    // A rename of the block on air shows at once.
    disconnect(blockName_);
    if (block)
        blockName_ = connect(block.get(), &MediaBlock::nameChanged, this, &NowPlayingLine::follow);
    const bool onAir = block && item;
    badge_->setVisible(onAir);
    item_->setVisible(onAir);
    block_->setVisible(onAir);
    idle_->setVisible(!onAir);
    if (!onAir)
        return;
    badge_->setIsPlaying(engine_.isPlaying());
    item_->setText(itemDisplayName(*item));
    block_->setText(block->name());
    shareRoom(); // may leave the block's name out
}

void NowPlayingLine::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    shareRoom();
}

void NowPlayingLine::shareRoom()
{
    const int spacing = layout()->spacing();
    int room = width() - badge_->sizeHint().width() - spacing;
    if (!failure_->isHidden())
        room -= failure_->minimumSizeHint().width() + spacing;
    // The item's name comes first; the block's name takes what is left, whole
    // or cut with enough of it to be read, and otherwise is left out rather
    // than shown as a stub of a few letters.
    const int itemWidth = item_->sizeHint().width();
    const QFontMetrics fm(block_->font());
    const QString text = block_->text();
    const int readable = text.size() <= kReadableBlockChars
        ? fm.horizontalAdvance(text)
        : fm.horizontalAdvance(text.left(kReadableBlockChars) + QChar(0x2026));
    const bool blockFits = room - itemWidth - spacing >= readable;
    block_->setVisible(!item_->isHidden() && blockFits);
    item_->setMinimumWidth(std::clamp(room, 0, itemWidth));
}

} // namespace tessarin

#include "ui/playlist/BlockSettingsView.h"

#include "media/BlockEndBehavior.h"
#include "media/MediaBlock.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessarin {
namespace {
constexpr std::int64_t kRepeatMin = 1;
constexpr std::int64_t kRepeatMax = MediaBlock::maximumLoopCount;

QLabel* label(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    setTextColor(l, color);
    return l;
}
} // namespace

BlockSettingsView::BlockSettingsView(std::shared_ptr<MediaBlock> block, QWidget* parent)
    : QWidget(parent)
    , block_(std::move(block))
    , title_(new ElidedLabel({}, Qt::ElideRight, this))
    , normalize_(new QCheckBox(tr("Normalizza audio"), this))
    , endBehavior_(new QButtonGroup(this))
    , loop_(new QCheckBox(tr("Loop blocco"), this))
    , loopMode_(new SegmentedControl(this))
    , repeat_(new Stepper(this))
{
    setFixedWidth(320);
    QPalette palette = this->palette();
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(role, Theme::textPrimary());
    setPalette(palette);
    title_->setFont(Theme::font(13, QFont::Bold));
    title_->setColor(Theme::textPrimary());
    normalize_->setToolTip(tr("Porta il picco di ogni clip del blocco a un livello comune"));
    loop_->setToolTip(tr("Ricomincia dal primo video alla fine del blocco"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);
    layout->addWidget(title_);
    layout->addWidget(normalize_);
    layout->addWidget(new ColorLine(this));

    auto* end = new QVBoxLayout;
    end->setSpacing(8);
    end->addWidget(label(tr("Alla fine del blocco"), Theme::font(11, QFont::Bold), Theme::textSecondary(), this));
    const auto& cases = BlockEndBehaviors::allCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        auto* option = new QRadioButton(BlockEndBehaviors::label(cases[i]), this);
        endBehavior_->addButton(option, int(i));
        end->addWidget(option);
    }
    layout->addLayout(end);
    tabStopOnChecked(endBehavior_);
    layout->addWidget(new ColorLine(this));

    auto* loopSection = new QVBoxLayout;
    loopSection->setSpacing(8);
    loopSection->addWidget(loop_);
    loopMode_->addSegment(tr("Infinito"));
    loopMode_->addSegment(tr("Numero di volte"));
    loopSection->addWidget(loopMode_, 0, Qt::AlignLeft);
    loopSection->addWidget(repeat_, 0, Qt::AlignLeft);
    layout->addLayout(loopSection);
    setTextColor(repeat_, Theme::textPrimary());
    // The loop controls were made first; Tab goes down the popover all the same.
    useLayoutTabOrder(this);

    connect(normalize_, &QCheckBox::clicked, this, [this](bool on) { block_->setNormalizeAudio(on); });
    connect(endBehavior_, &QButtonGroup::idClicked, this, [this](int id) {
        const auto& all = BlockEndBehaviors::allCases();
        if (id >= 0 && std::size_t(id) < all.size())
            block_->setEndBehavior(all[std::size_t(id)]);
    });
    connect(loop_, &QCheckBox::clicked, this, [this](bool on) { block_->setLoop(on); });
    connect(loopMode_, &SegmentedControl::activated, this, &BlockSettingsView::setLoopMode);
    repeat_->setSubject(tr("ripetizioni del blocco"));
    connect(repeat_, &Stepper::incremented, this, [this] {
        block_->setLoopCount(std::clamp<std::int64_t>(block_->loopCount() + 1, kRepeatMin, kRepeatMax));
    });
    connect(repeat_, &Stepper::decremented, this, [this] {
        block_->setLoopCount(std::clamp<std::int64_t>(block_->loopCount() - 1, kRepeatMin, kRepeatMax));
    });
    connect(block_.get(), &MediaBlock::changed, this, &BlockSettingsView::refresh);
    refresh();
}

QAbstractButton* BlockSettingsView::endBehaviorButton(int index) const { return endBehavior_->button(index); }

void BlockSettingsView::setLoopMode(int mode)
{
    // Counted keeps a count already set; any other choice means without limit.
    block_->setLoopCount(mode == 1 ? std::max<std::int64_t>(block_->loopCount(), 1) : 0);
}

void BlockSettingsView::refresh()
{
    // A long name ends with an ellipsis; the whole of it is in the tip and
    // for screen readers.
    title_->setText(block_->name());
    title_->setToolTip(block_->name());
    title_->setAccessibleName(block_->name());
    normalize_->setChecked(block_->normalizeAudio());
    const auto& all = BlockEndBehaviors::allCases();
    const auto at = std::find(all.begin(), all.end(), block_->endBehavior());
    if (auto* button = endBehavior_->button(int(at - all.begin())))
        button->setChecked(true);
    const bool loop = block_->loop();
    const std::int64_t count = block_->loopCount();
    loop_->setChecked(loop);
    loopMode_->setVisible(loop);
    loopMode_->setCurrentIndex(count > 0 ? 1 : 0);
    repeat_->setVisible(loop && count >= 1);
    repeat_->setText(count == 1 ? tr("Ripeti 1 volta") : tr("Ripeti %1 volte").arg(count));
    repeat_->setUpEnabled(count < kRepeatMax);
    repeat_->setDownEnabled(count > kRepeatMin);
    adjustSize();
    if (QWidget* popover = parentWidget(); popover && popover->isWindow())
        popover->adjustSize();
}

} // namespace tessarin

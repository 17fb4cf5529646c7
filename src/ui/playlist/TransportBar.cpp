#include "ui/playlist/TransportBar.h"

#include "engine/PlaylistEngine.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Theme.h"

#include <algorithm>

namespace tessarin {

namespace {
constexpr int kDiscSpacing = 14;
constexpr double kJumpSeconds = 10.0;

TransportButtonStyle plain(int size)
{
    return { size, Theme::panelAlt(), Theme::textPrimary(), false };
}

bool sameStyle(const TransportButtonStyle& a, const TransportButtonStyle& b)
{
    return a.size == b.size && a.fill == b.fill && a.glyph == b.glyph && a.glow == b.glow;
}

void setStyleIfChanged(TransportButton* button, const TransportButtonStyle& style)
{
    if (!sameStyle(button->style(), style))
        button->setStyle(style);
}
} // namespace

TransportBar::TransportBar(PlaylistEngine& engine, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
{
    struct Spec {
        const char* symbol;
        int glyph;
        int size;
        QString help;
    };
    const Spec specs[buttonCount] = {
        { "backward.end.fill", 14, 36, tr("Traccia precedente (o riparti dall'inizio)") },
        { "gobackward.10", 15, 36, tr("Indietro di 10 secondi") },
        { "stop.fill", 16, 44, tr("Stop") },
        { "play.fill", 22, 58, tr("Play / Pausa") },
        { "arrowshape.right.fill", 16, 44, tr("Prepara (cue) la clip selezionata") },
        { "goforward.10", 15, 36, tr("Avanti di 10 secondi") },
        { "forward.end.fill", 14, 36, tr("Traccia successiva") },
    };
    for (int i = 0; i < buttonCount; ++i) {
        auto* b = new TransportButton(QString::fromLatin1(specs[i].symbol), specs[i].glyph, plain(specs[i].size), this);
        setHelp(b, specs[i].help);
        buttons_[i] = b;
    }
    connect(buttons_[previous], &QAbstractButton::clicked, this, [this] { engine_.playPrevious(); });
    connect(buttons_[back10], &QAbstractButton::clicked, this, [this] { engine_.jump(-kJumpSeconds); });
    connect(buttons_[stop], &QAbstractButton::clicked, this, [this] { engine_.stop(); });
    connect(buttons_[playPause], &QAbstractButton::clicked, this, [this] { engine_.togglePlayPause(); });
    connect(buttons_[cue], &QAbstractButton::clicked, this, &TransportBar::cueSelection);
    connect(buttons_[forward10], &QAbstractButton::clicked, this, [this] { engine_.jump(kJumpSeconds); });
    connect(buttons_[next], &QAbstractButton::clicked, this, [this] { engine_.playNext(); });

    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());

    connect(&engine, &PlaylistEngine::changed, this, &TransportBar::refresh);
    // hasNext also changes when the block on air gains or loses items.
    connect(&engine, &PlaylistEngine::currentBlockIDChanged, this, &TransportBar::watchCurrentBlock);
    connect(&engine, &PlaylistEngine::blocksChanged, this, &TransportBar::watchCurrentBlock);
    watchCurrentBlock();
}

void TransportBar::watchCurrentBlock()
{
    disconnect(blockItems_);
    if (const auto block = engine_.currentBlock())
        blockItems_ = connect(block.get(), &MediaBlock::itemsChanged, this, &TransportBar::refresh);
    refresh();
}

void TransportBar::refresh()
{
    const bool playing = engine_.isPlaying();
    const bool hasItem = engine_.currentItem() != nullptr;
    const bool seekable = engine_.canSeek();
    buttons_[previous]->setEnabled(hasItem);
    buttons_[back10]->setEnabled(seekable);
    buttons_[stop]->setEnabled(playing || engine_.currentBlock() != nullptr);
    buttons_[cue]->setEnabled(engine_.selectedItem() != nullptr);
    buttons_[forward10]->setEnabled(seekable);
    buttons_[next]->setEnabled(engine_.hasNext());

    buttons_[playPause]->setSymbol(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
    setStyleIfChanged(buttons_[playPause],
                      playing ? TransportButtonStyle { 58, Theme::accent(), Theme::black(0.85), true }
                              : TransportButtonStyle { 58, Theme::transportIdle(), Theme::textPrimary(), false });
    setStyleIfChanged(buttons_[cue], engine_.cuedItem() ? TransportButtonStyle { 44, Theme::cue(), Theme::black(0.85), false }
                                                        : plain(44));
}

void TransportBar::cueSelection()
{
    const auto item = engine_.selectedItem();
    const auto block = engine_.selectedBlock();
    if (item && block)
        engine_.cue(item, block);
}

QSize TransportBar::sizeHint() const
{
    int width = 0;
    int height = 0;
    for (auto* b : buttons_) {
        width += b->style().size;
        height = std::max(height, b->sizeHint().height());
    }
    const int margin = (buttons_[0]->sizeHint().width() - buttons_[0]->style().size) / 2;
    return { width + kDiscSpacing * (buttonCount - 1) + 2 * margin, height };
}

void TransportBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void TransportBar::placeButtons()
{
    int discs = 0;
    for (auto* b : buttons_)
        discs += b->style().size;
    const int rowWidth = discs + kDiscSpacing * (buttonCount - 1);
    int x = (width() - rowWidth) / 2;
    for (auto* b : buttons_) {
        const QSize size = b->sizeHint();
        const int margin = (size.width() - b->style().size) / 2;
        b->setGeometry(x - margin, (height() - size.height()) / 2, size.width(), size.height());
        x += b->style().size + kDiscSpacing;
    }
}

} // namespace tessarin

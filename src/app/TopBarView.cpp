#include "app/TopBarView.h"

#include "app/AppMenus.h"

#include "automation/ScheduleController.h"
#include "engine/FollowEngine.h"
#include "engine/OutputWindowController.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaFile.h"
#include "platform/Icons.h"
#include "show/ShowController.h"
#include "streaming/StreamManager.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/DisplayName.h"
#include "ui/kit/Labels.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"
#include "ui/settings/OutputSettingsView.h"
#include "ui/settings/StreamSettingsView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>

namespace tessarin {
namespace {

// The product symbol in a top-to-bottom gradient from cue yellow to accent.
class ProductSymbol : public QWidget {
public:
    explicit ProductSymbol(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setFixedSize(20, 20);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const qreal dpr = devicePixelRatioF();
        QPixmap shape = Icons::pixmap(QStringLiteral("play.rectangle.fill"), Qt::white, 18, dpr);
        {
            QPainter tint(&shape);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            QLinearGradient gradient(0, 0, 0, 18);
            gradient.setColorAt(0, Theme::cue());
            gradient.setColorAt(1, Theme::accent());
            tint.fillRect(QRectF(0, 0, 18, 18), gradient);
        }
        QPainter p(this);
        p.drawPixmap(QRect(1, 1, 18, 18), shape);
    }
};

constexpr int kBadgePadX = 10;
constexpr int kBadgePadY = 4;
constexpr int kBadgeDot = 7;
constexpr int kBadgeSpacing = 6;
constexpr int kShowMenuSpacing = 6;
constexpr int kShowMenuSymbol = 13;
constexpr int kNowPlayingMaxWidth = 320;

QFont badgeFont()
{
    QFont font = Theme::font(10, QFont::Black);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    return font;
}

} // namespace

// ---- ScheduleBadge

ScheduleBadge::ScheduleBadge(ScheduleController& schedule, QWidget* parent)
    : QWidget(parent)
    , schedule_(schedule)
{
    setFont(badgeFont());
    setHelp(this, tr("Il palinsesto è in automatico: gli eventi partono da soli"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Absent, taking no room, while the schedule is not armed.
    const auto follow = [this] { setVisible(schedule_.isArmed()); };
    connect(&schedule_, &ScheduleController::isArmedChanged, this, follow);
    follow();
}

QSize ScheduleBadge::sizeHint() const
{
    const QFontMetrics fm(font());
    return { 2 * kBadgePadX + kBadgeDot + kBadgeSpacing + fm.horizontalAdvance(tr("AUTOMAZIONE")),
             2 * kBadgePadY + fm.height() };
}

void ScheduleBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(Theme::withAlpha(Theme::meterLow(), 0.6), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::meterLow());
    p.drawEllipse(QRectF(kBadgePadX, (height() - kBadgeDot) / 2.0, kBadgeDot, kBadgeDot));
    p.setPen(Theme::meterLow());
    p.setFont(font());
    const int x = kBadgePadX + kBadgeDot + kBadgeSpacing;
    p.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, tr("AUTOMAZIONE"));
}

// ---- ShowMenuButton

ShowMenuButton::ShowMenuButton(ShowController& show, QWidget* parent)
    : QAbstractButton(parent)
    , show_(show)
    , menu_(new QMenu(this))
{
    setFont(Theme::font(12));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setHelp(this, tr("Nuovo, apri e salva lo show"));
    useKeyboardFocus(this);
    addShowCommands(*menu_, show_);
    connect(this, &QAbstractButton::clicked, this,
            [this] { menu_->popup(mapToGlobal(QPoint(0, height()))); });
    connect(&show_, &ShowController::changed, this, &ShowMenuButton::refresh);
    connect(&show_, &ShowController::isDirtyChanged, this, &ShowMenuButton::refresh);
    connect(&show_, &ShowController::fileURLChanged, this, &ShowMenuButton::refresh);
    refresh();
}

QColor ShowMenuButton::color() const { return show_.isDirty() ? Theme::cue() : Theme::textSecondary(); }

QString ShowMenuButton::shownTitle() const
{
    return QFontMetrics(font()).elidedText(show_.title(), Qt::ElideMiddle, kMaximumTitleWidth);
}

QSize ShowMenuButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const int title = std::min(fm.horizontalAdvance(show_.title()), kMaximumTitleWidth);
    return { kShowMenuSymbol + kShowMenuSpacing + title + 1, std::max(fm.height(), kShowMenuSymbol) + 4 };
}

void ShowMenuButton::refresh()
{
    setText(show_.title());
    updateGeometry();
    update();
}

void ShowMenuButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fg = color();
    p.setOpacity(isDown() ? 0.7 : 1.0);
    p.drawPixmap(QRect(0, (height() - kShowMenuSymbol) / 2, kShowMenuSymbol, kShowMenuSymbol),
                 Icons::pixmap(QStringLiteral("doc.text"), fg, kShowMenuSymbol, devicePixelRatioF()));
    p.setPen(fg);
    p.setFont(font());
    const int x = kShowMenuSymbol + kShowMenuSpacing;
    p.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, shownTitle());
    if (showsFocusRing(this)) {
        p.setOpacity(1.0);
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), 4);
    }
}

// ---- TopBarView

TopBarView::TopBarView(ShowController& show, StreamManager& streams, OutputWindowController& output,
                       ShortcutManager&, AtemTallyMonitor&, QWidget* parent)
    : QWidget(parent)
    , show_(show)
    , streams_(streams)
    , outputController_(output)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    auto* mark = new QWidget;
    auto* markRow = new QHBoxLayout(mark);
    markRow->setContentsMargins(0, 0, 0, 0);
    markRow->setSpacing(8);
    markRow->addWidget(new ProductSymbol);
    auto* name = new QLabel(QStringLiteral("Tessarin"));
    name->setFont(Theme::font(15, QFont::Bold));
    setTextColor(name, Theme::textPrimary());
    markRow->addWidget(name);
    row->addWidget(mark);

    showMenu_ = new ShowMenuButton(show_);
    row->addWidget(showMenu_);
    row->addStretch(1);

    nowPlaying_ = new QWidget;
    auto* nowRow = new QHBoxLayout(nowPlaying_);
    nowRow->setContentsMargins(0, 0, 0, 0);
    nowRow->setSpacing(8);
    nowRow->addWidget(new OnAirBadge(true));
    nowPlayingName_ = new ElidedLabel;
    nowPlayingName_->setFont(Theme::font(12));
    nowPlayingName_->setColor(Theme::textSecondary());
    nowPlayingName_->setMaximumWidth(kNowPlayingMaxWidth);
    nowRow->addWidget(nowPlayingName_);
    row->addWidget(nowPlaying_);

    scheduleBadge_ = new ScheduleBadge(show_.schedule());
    row->addWidget(scheduleBadge_);

    streaming_ = new PillButton(tr("Streaming"), { Theme::onAir(), false });
    streaming_->setSymbol(QStringLiteral("dot.radiowaves.up.forward"));
    row->addWidget(streaming_);
    output_ = new PillButton(tr("Uscita esterna"), { Theme::textPrimary(), false });
    row->addWidget(output_);
    settings_ = new PillButton(tr("Impostazioni"), { Theme::textPrimary(), false });
    settings_->setSymbol(QStringLiteral("gearshape.fill"));
    settings_->setToolTip(tr("Streaming, uscita esterna, regia ATEM, scorciatoie, palinsesto e lingua (Ctrl+,)"));
    row->addWidget(settings_);

    connect(streaming_, &PillButton::clicked, this, &TopBarView::presentStreamSettings);
    connect(output_, &PillButton::clicked, this, &TopBarView::presentOutputSettings);
    connect(settings_, &PillButton::clicked, this, &TopBarView::settingsRequested);

    PlaylistEngine& engine = show_.engine();
    followEngine(engine, this,
        { &PlaylistEngine::isPlayingChanged, &PlaylistEngine::currentItemIDChanged,
          &PlaylistEngine::currentBlockIDChanged },
        [this] { refreshNowPlaying(); });
    connect(&streams_, &StreamManager::isStreamingChanged, this, &TopBarView::refreshStreaming);
    connect(&outputController_, &OutputWindowController::changed, this, &TopBarView::refreshOutput);
    refreshNowPlaying();
    refreshStreaming();
    refreshOutput();
}

void TopBarView::refreshNowPlaying()
{
    const PlaylistEngine& engine = show_.engine();
    const std::shared_ptr<MediaFile> item = engine.isPlaying() ? engine.currentItem() : nullptr;
    nowPlaying_->setVisible(item != nullptr);
    if (!item)
        return;
    nowPlayingName_->setText(itemDisplayName(*item));
}

void TopBarView::refreshStreaming()
{
    const bool on = streams_.isStreaming();
    streaming_->setText(on ? tr("STREAMING") : tr("Streaming"));
    streaming_->setAccessibleName(tr("Streaming"));
    streaming_->setFont(Theme::font(12, on ? QFont::Bold : QFont::Medium));
    streaming_->setLabelColor(on ? QColor(Qt::white) : Theme::textPrimary());
    streaming_->setStyle({ Theme::onAir(), on });
}

void TopBarView::refreshOutput()
{
    const bool on = outputController_.isActive();
    output_->setText(on ? tr("Uscita attiva") : tr("Uscita esterna"));
    output_->setAccessibleName(output_->text());
    // An output that ended by itself says so until the next start.
    const auto interruption = on ? std::nullopt : outputController_.interruption();
    output_->setToolTip(interruption.value_or(QString()));
    output_->setAccessibleDescription(interruption.value_or(QString()));
    output_->setSymbol(on ? QStringLiteral("tv.fill")
                          : interruption ? QStringLiteral("exclamationmark.triangle.fill") : QStringLiteral("tv"));
    output_->setLabelColor(on ? Theme::meterLow() : interruption ? Theme::meterHigh() : Theme::textPrimary());
}

void TopBarView::presentStreamSettings()
{
    if (!streamPopover_) {
        streamPopover_ = new Popover(new StreamSettingsView(streams_), this);
        connect(streamPopover_, &Popover::closed, this, [this, popover = streamPopover_.data()] {
            streamPopover_ = nullptr;
            popover->deleteLater();
        });
    }
    streamPopover_->showFor(streaming_);
}

void TopBarView::presentOutputSettings()
{
    if (!outputPopover_) {
        outputPopover_ = new Popover(new OutputSettingsView(outputController_, show_.engine()), this);
        connect(outputPopover_, &Popover::closed, this, [this, popover = outputPopover_.data()] {
            outputPopover_ = nullptr;
            popover->deleteLater();
        });
    }
    outputPopover_->showFor(output_);
}

} // namespace tessarin

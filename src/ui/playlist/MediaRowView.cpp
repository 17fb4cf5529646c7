#include "ui/playlist/MediaRowView.h"

#include "media/MediaFile.h"
#include "media/TimecodeFormatter.h"
#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/DisplayName.h"
#include "ui/kit/KeptPicture.h"
#include "ui/kit/Labels.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/GainSlider.h"
#include "ui/playlist/MediaRowParts.h"
#include "ui/playlist/RowThumbnails.h"
#include "ui/playlist/TrimEditorFactory.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {
constexpr int kStateBar = 4;
constexpr int kWaveformHeight = 64;
// The stepper counts whole seconds from 1; a stored length below that (down
// to the item's own minimum) is shown and kept until the stepper moves it.
constexpr double kImageSecondsMin = 1.0;
constexpr double kImageSecondsMax = MediaFile::imageDurationRange.upper;
const QChar kMinus(0x2212);

// The on-air row's fill over its stripe, drawn once per size and pixel
// ratio and copied in each paint: a gradient as large as the row costs more
// to fill than to copy. One kept per stripe, since the row on air changes
// stripes as the program goes down a block.
const QImage& onAirFill(const QSize& size, const QColor& stripe, qreal dpr)
{
    static KeptPicture fills[2];
    return fills[stripe == Theme::rowDark() ? 0 : 1].at(size, dpr, true, [&](QPainter& p, const QRectF& r) {
        p.fillRect(r, stripe);
        p.fillRect(r, Theme::onAirRowFill(r));
    });
}

QString liveSymbol(LiveSourceKind kind)
{
    switch (kind) {
    case LiveSourceKind::ndi: return QStringLiteral("network");
    case LiveSourceKind::capture: return QStringLiteral("video.fill");
    case LiveSourceKind::rtmp: return QStringLiteral("dot.radiowaves.left.and.right");
    case LiveSourceKind::srt: return QStringLiteral("antenna.radiowaves.left.and.right");
    }
    return QStringLiteral("video.fill");
}

QString liveKindLabel(LiveSourceKind kind)
{
    switch (kind) {
    case LiveSourceKind::ndi: return QStringLiteral("NDI");
    case LiveSourceKind::capture: return MediaRowView::tr("Input Live");
    case LiveSourceKind::rtmp: return QStringLiteral("RTMP");
    case LiveSourceKind::srt: return QStringLiteral("SRT");
    }
    return {};
}

QColor statusColor(const LiveStatus& status)
{
    switch (status.kind()) {
    case LiveStatus::Case::live: return Theme::meterLow();
    case LiveStatus::Case::failed: return Theme::meterHigh();
    default: return Theme::textSecondary();
    }
}
} // namespace

MediaRowView::MediaRowView(std::shared_ptr<MediaFile> item, Actions actions, RowThumbnails& thumbnails,
                           QWidget* parent)
    : QWidget(parent)
    , item_(std::move(item))
    , actions_(std::move(actions))
    , thumbnails_(thumbnails)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(kStateBar + 8, 7, 8, 7);
    body->setSpacing(6);

    topLine_ = new QHBoxLayout;
    topLine_->setSpacing(8);
    select_ = new RowSelectArea(tr("Seleziona — usata dal tasto “cue” e dal tally ATEM"),
                                item_->isLive() || item_->isImage() ? QString() : tr("Durata della clip (tiene conto dei punti IN/OUT)"),
                                this);
    select_->onSelect = [this] { if (actions_.onSelect) actions_.onSelect(); };
    select_->onDragStart = [this] { if (actions_.onDragStart) actions_.onDragStart(); };
    if (item_->isImage()) {
        stepper_ = new Stepper;
        setHelp(stepper_, tr("Durata di visualizzazione dell'immagine"));
        stepper_->label()->setFont(Theme::font(10));
        setTextColor(stepper_->label(), Theme::textSecondary());
        select_->setSubtitleWidget(stepper_);
        connect(stepper_, &Stepper::incremented, this, [this] {
            item_->setImageDuration(std::clamp(item_->imageDuration() + 1.0, kImageSecondsMin, kImageSecondsMax));
        });
        connect(stepper_, &Stepper::decremented, this, [this] {
            item_->setImageDuration(std::clamp(item_->imageDuration() - 1.0, kImageSecondsMin, kImageSecondsMax));
        });
    }
    topLine_->addWidget(select_, 1);
    buildActions(topLine_);
    body->addLayout(topLine_);
    if (!item_->isImage())
        body->addLayout(buildGainLine());

    followItem();
}

void MediaRowView::followItem()
{
    if (item_->isLive())
        select_->setLiveTile(liveSymbol(item_->liveSource()->kind));
    else
        refreshThumbnail();

    MediaFile* f = item_.get();
    connect(&thumbnails_, &RowThumbnails::decoded, this, [this](const QUuid& id) {
        if (id == item_->id())
            refreshThumbnail();
    });
    connect(f, &MediaFile::thumbnailChanged, this, &MediaRowView::refreshThumbnail);
    connect(f, &MediaFile::durationChanged, this, &MediaRowView::refreshLook);
    connect(f, &MediaFile::inPointChanged, this, [this] { refreshLook(); refreshButtons(); });
    connect(f, &MediaFile::outPointChanged, this, [this] { refreshLook(); refreshButtons(); });
    connect(f, &MediaFile::imageDurationChanged, this, &MediaRowView::refreshStepper);
    connect(f, &MediaFile::playableURLChanged, this, &MediaRowView::refreshButtons);
    connect(f, &MediaFile::loopChanged, this, &MediaRowView::refreshButtons);
    connect(f, &MediaFile::gainDBChanged, this, &MediaRowView::refreshGain);
    connect(f, &MediaFile::isMutedChanged, this, &MediaRowView::refreshGain);
    connect(f, &MediaFile::playbackErrorChanged, this, &MediaRowView::refreshFailureMark);
    refreshFailureMark();
    refreshLook();
    refreshButtons();
    refreshGain();
    refreshStepper();
}

MediaRowView::~MediaRowView() = default;

int MediaRowView::kindOf(const MediaFile& item)
{
    return (item.isImage() ? 1 : 0) | (item.isLive() ? 2 : 0);
}

void MediaRowView::showItem(const std::shared_ptr<MediaFile>& item)
{
    if (item == item_ || !item || kindOf(*item) != kindOf(*item_))
        return;
    disconnect(item_.get(), nullptr, this, nullptr);
    disconnect(&thumbnails_, nullptr, this, nullptr);
    item_ = item;
    followItem();
}

void MediaRowView::buildActions(QHBoxLayout* line)
{
    auto* actions = new QHBoxLayout;
    actions->setSpacing(4);
    const bool live = item_->isLive();
    const bool image = item_->isImage();
    if (!live && !image) {
        trim_ = new IconButton(QStringLiteral("scissors"), tr("Punti IN/OUT"), {}, this);
        connect(trim_, &QAbstractButton::clicked, this, &MediaRowView::openTrimEditor);
        actions->addWidget(trim_);
    }
    if (!live) {
        cue_ = new IconButton(QStringLiteral("arrowshape.right.circle"), tr("Prepara (cue) senza avviare la riproduzione"), {}, this);
        connect(cue_, &QAbstractButton::clicked, this, [this] { if (actions_.onCue) actions_.onCue(); });
        actions->addWidget(cue_);
    }
    play_ = new BusyIconButton(QStringLiteral("play.fill"), tr("Riproduci da qui"), {}, this);
    connect(play_, &QAbstractButton::clicked, this, [this] { if (actions_.onPlay) actions_.onPlay(); });
    actions->addWidget(play_);
    if (!live) {
        loop_ = new IconButton(QStringLiteral("repeat"), tr("Loop video (si ripete senza avanzare al successivo)"), {}, this);
        loop_->setCheckable(true);
        connect(loop_, &QAbstractButton::clicked, this, [this] { item_->setLoop(!item_->loop()); });
        actions->addWidget(loop_);
    }
    remove_ = new IconButton(QStringLiteral("xmark"), tr("Rimuovi dal blocco"), {}, this);
    remove_->setGlyphColor(Theme::textTertiary());
    connect(remove_, &QAbstractButton::clicked, this, [this] { if (actions_.onRemove) actions_.onRemove(); });
    actions->addWidget(remove_);
    line->addLayout(actions);
}

QHBoxLayout* MediaRowView::buildGainLine()
{
    auto* line = new QHBoxLayout;
    line->setContentsMargins(65, 0, 0, 0);
    line->setSpacing(8);
    mute_ = new IconButton(QStringLiteral("speaker.wave.2.fill"), tr("Disattiva l'audio di questa traccia"), { 16 }, this);
    mute_->setCheckable(true);
    connect(mute_, &QAbstractButton::clicked, this, [this] { item_->setIsMuted(!item_->isMuted()); });
    slider_ = new GainSlider(MediaFile::gainDBRange.lower, MediaFile::gainDBRange.upper, this);
    connect(slider_, &GainSlider::valueEdited, this, [this](double db) { item_->setGainDB(db); });
    readout_ = new ReadoutLabel(QSize(50, 14), Theme::monoFont(10), this);
    line->addWidget(mute_);
    line->addWidget(slider_, 1);
    line->addWidget(readout_);
    return line;
}


void MediaRowView::setMarks(const Marks& marks)
{
    if (marks == marks_)
        return;
    const Marks old = marks_;
    marks_ = marks;
    const bool background = old.index % 2 != marks.index % 2 || old.isOnAir != marks.isOnAir
        || old.isCued != marks.isCued || old.isSelected != marks.isSelected;
    if (background)
        update();
    refreshLook();
    refreshButtons();
    refreshGain();
    refreshStateMark();
}

QString MediaRowView::gainText(double gainDB, bool isMuted)
{
    if (isMuted)
        return tr("MUTE");
    if (gainDB <= MediaFile::gainDBRange.lower)
        return kMinus + QStringLiteral("∞ dB");
    if (std::abs(gainDB) < 0.05)
        return QStringLiteral("0 dB");
    QString text = QString::asprintf("%+.1f dB", gainDB);
    text.replace(QLatin1Char('-'), kMinus);
    return text;
}

QString MediaRowView::clipLengthText(const MediaFile& item)
{
    const double end = item.outPoint().value_or(item.duration());
    const double length = end - item.inPoint();
    return TimecodeFormatter::string(length > 0 ? length : 0.0);
}

QString MediaRowView::statusText(const LiveStatus& status)
{
    switch (status.kind()) {
    case LiveStatus::Case::idle: return {};
    case LiveStatus::Case::connecting: return tr("in attesa del segnale…");
    case LiveStatus::Case::live: return tr("in diretta");
    case LiveStatus::Case::failed: return status.message();
    }
    return {};
}

QString MediaRowView::imageDurationText(double seconds)
{
    const auto whole = std::isfinite(seconds) ? static_cast<qint64>(std::clamp(seconds, -1e15, 1e15)) : 0;
    return tr("Immagine · %1 s").arg(whole);
}

QString MediaRowView::displayName(const MediaFile& item)
{
    return itemDisplayName(item);
}

QString MediaRowView::playbackErrorText(const QString& reason)
{
    return tr("Impossibile riprodurre il file: %1").arg(reason);
}

QString MediaRowView::gainReadout() const { return readout_ ? readout_->text() : QString(); }

void MediaRowView::refreshLook()
{
    RowSelectArea::Look look;
    look.name = displayName(*item_);
    look.nameFont = Theme::font(13, marks_.isOnAir ? QFont::Bold : QFont::Normal);
    look.nameColor = marks_.isOnAir ? QColor(Qt::white) : marks_.isCued ? Theme::cue() : Theme::textPrimary();
    if (const auto& source = item_->liveSource()) {
        look.subtitle = tr("LIVE · %1").arg(liveKindLabel(source->kind));
        look.subtitleFont = Theme::font(10, QFont::DemiBold);
        look.subtitleColor = Theme::live();
        if (marks_.liveStatus) {
            look.status = statusText(*marks_.liveStatus);
            look.statusColor = statusColor(*marks_.liveStatus);
        }
    } else if (!item_->isImage()) {
        look.subtitle = clipLengthText(*item_);
        look.subtitleFont = Theme::monoFont(11);
        look.subtitleColor = marks_.isOnAir ? Theme::white(0.8) : Theme::textSecondary();
    }
    select_->setLook(look);
    nameControls(look.name);
    refreshSpoken();
}

void MediaRowView::refreshSpoken()
{
    // One object for screen readers, read as the row reads; each control
    // tells the row's state after its own name.
    const QString spoken = spokenText(*item_, marks_);
    if (accessibleName() != spoken)
        setAccessibleName(spoken);
    const QString state = stateText(*item_, marks_);
    for (QWidget* control : std::initializer_list<QWidget*> { trim_, cue_, play_, loop_, remove_, mute_, slider_ }) {
        if (control && control->accessibleDescription() != state)
            control->setAccessibleDescription(state);
    }
}

QString MediaRowView::spokenText(const MediaFile& item, const Marks& marks)
{
    QStringList spoken { displayName(item) };
    if (const auto& source = item.liveSource()) {
        spoken << tr("LIVE · %1").arg(liveKindLabel(source->kind));
        if (marks.liveStatus)
            spoken << statusText(*marks.liveStatus);
    } else if (!item.isImage()) {
        spoken << clipLengthText(item);
    } else {
        spoken << imageDurationText(item.imageDuration());
    }
    spoken << stateText(item, marks);
    spoken.removeAll(QString());
    return spoken.join(QStringLiteral(", "));
}

QString MediaRowView::stateText(const MediaFile& item, const Marks& marks)
{
    QStringList state;
    if (marks.isOnAir)
        state << OnAirBadge::text(marks.isPlaying);
    else if (marks.isCued)
        state << QStringLiteral("CUE");
    if (!item.playbackError().isEmpty())
        state << playbackErrorText(item.playbackError());
    if (item.isMuted() && !item.isImage())
        state << gainText(item.gainDB(), true);
    if (item.loop() && !item.isLive())
        state << tr("in loop");
    return state.join(QStringLiteral(", "));
}

void MediaRowView::nameControls(const QString& name)
{
    // Heard one by one, each control says whose it is: "Punti IN/OUT, Sigla".
    for (QWidget* control : std::initializer_list<QWidget*> { trim_, cue_, play_, loop_, remove_, mute_, slider_ }) {
        if (control)
            nameAsOf(control, control->toolTip(), name);
    }
    // "Aumenta: durata dell'immagine, Foto".
    if (stepper_)
        stepper_->setSubject(QStringLiteral("%1, %2").arg(tr("durata dell'immagine"), name));
}

void MediaRowView::refreshThumbnail()
{
    if (item_->isLive())
        return;
    // Decoded off the main thread once for the drawn rows and this one
    // alike, the placeholder until then; decoded() brings a picture still
    // on its way.
    const QString placeholder = item_->isAudioOnly() ? QStringLiteral("waveform") : QStringLiteral("film");
    select_->setThumbnail(thumbnails_.picture(*item_), placeholder);
}

void MediaRowView::refreshButtons()
{
    const bool clipPending = item_->isImage() && item_->playableURL().isEmpty();
    if (trim_) {
        const bool trimmed = item_->inPoint() > 0 || item_->outPoint().has_value();
        trim_->setGlyphColor(trimmed ? Theme::accent() : Theme::textSecondary());
    }
    if (cue_) {
        cue_->setGlyphColor(marks_.isCued ? Theme::cue() : Theme::textSecondary());
        cue_->setEnabled(!clipPending);
    }
    play_->setEnabled(!clipPending);
    play_->setBusy(clipPending);
    play_->setSymbol(marks_.isPlaying ? QStringLiteral("speaker.wave.2.fill") : QStringLiteral("play.fill"));
    play_->setGlyphColor(marks_.isOnAir ? Theme::accent() : Theme::textPrimary());
    if (loop_) {
        loop_->setChecked(item_->loop());
        loop_->setGlyphColor(item_->loop() ? Theme::accent() : Theme::textSecondary());
    }
    refreshSpoken();
}

void MediaRowView::refreshGain()
{
    if (!slider_)
        return;
    const bool muted = item_->isMuted();
    mute_->setChecked(muted);
    mute_->setSymbol(muted ? QStringLiteral("speaker.slash.fill") : QStringLiteral("speaker.wave.2.fill"));
    mute_->setGlyphColor(muted ? Theme::meterHigh() : Theme::textSecondary());
    slider_->setValue(item_->gainDB());
    slider_->setTint(marks_.isOnAir ? Theme::accent() : Theme::live());
    slider_->setDimmed(muted);
    readout_->setText(gainText(item_->gainDB(), muted), muted ? Theme::meterHigh() : Theme::textSecondary());
    refreshSpoken();
}

void MediaRowView::refreshStepper()
{
    if (!stepper_)
        return;
    const double seconds = item_->imageDuration();
    stepper_->setText(imageDurationText(seconds));
    stepper_->setUpEnabled(!(seconds >= kImageSecondsMax));
    stepper_->setDownEnabled(!(seconds <= kImageSecondsMin));
    refreshLook();
}

void MediaRowView::refreshStateMark()
{
    using Mark = RowSelectArea::Mark;
    select_->setMark(marks_.isOnAir ? (marks_.isPlaying ? Mark::onAir : Mark::paused)
                                    : marks_.isCued ? Mark::cue : Mark::none);
}

void MediaRowView::refreshFailureMark()
{
    const QString& reason = item_->playbackError();
    const QString help = reason.isEmpty() ? QString() : playbackErrorText(reason);
    select_->setAccessibleDescription(help);
    refreshSpoken();
    if (reason.isEmpty()) {
        if (failureMark_)
            failureMark_->hide();
        select_->setLentWidth(0);
        return;
    }
    if (!failureMark_) {
        failureMark_ = new QLabel(this);
        failureMark_->setPixmap(Icons::pixmap(QStringLiteral("exclamationmark.triangle.fill"), Theme::meterHigh(), 14,
            devicePixelRatioF()));
        failureMark_->setFixedSize(14, 14);
        topLine_->insertWidget(topLine_->indexOf(select_) + 1, failureMark_);
    }
    setHelp(failureMark_, help);
    failureMark_->show();
    select_->setLentWidth(failureMark_->width() + topLine_->spacing());
}

void MediaRowView::openTrimEditor()
{
    if (trimPopover_)
        return;
    trimPopover_ = new Popover(makeTrimEditor(item_, kWaveformHeight), this);
    connect(trimPopover_, &Popover::closed, trimPopover_, &QObject::deleteLater);
    trimPopover_->showFor(trim_);
}

void MediaRowView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF r(rect());
    const QColor stripe = marks_.index % 2 == 0 ? Theme::rowDark() : Theme::rowLight();
    if (marks_.isOnAir) {
        p.drawImage(QPointF(0, 0), onAirFill(size(), stripe, devicePixelRatioF()));
    } else {
        p.fillRect(r, stripe);
        if (marks_.isCued)
            p.fillRect(r, Theme::withAlpha(Theme::cue(), 0.14));
    }
    if (marks_.isOnAir)
        p.fillRect(QRectF(0, 0, kStateBar, height()), Theme::accent());
    else if (marks_.isCued)
        p.fillRect(QRectF(0, 0, kStateBar, height()), Theme::cue());
    if (marks_.isSelected) {
        p.setRenderHint(QPainter::Antialiasing);
        const qreal w = 1.5;
        const QColor frame = Theme::textPrimary();
        p.setPen(QPen(Theme::withAlpha(frame, frame.alphaF() * 0.85), w));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(w / 2, w / 2, -w / 2, -w / 2));
    }
}

} // namespace tessarin

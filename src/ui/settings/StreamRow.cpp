#include "ui/settings/StreamRow.h"

#include "media/TimecodeFormatter.h"
#include "streaming/StreamManager.h"
#include "streaming/StreamOutput.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Theme.h"
#include "ui/settings/PageKit.h"
#include "ui/settings/StatusDot.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <limits>

namespace tessarin {
namespace {

using State = StreamOutput::Status::State;

QString mbitText(double kbps) { return QString::asprintf("%.1f Mbit/s", kbps / 1000.0); }

QHBoxLayout* line(int spacing)
{
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

StreamRow::StreamRow(StreamOutput& output, StreamManager& manager, QWidget* parent)
    : QWidget(parent)
    , output_(output)
    , manager_(manager)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);

    // Header: dot, title, status.
    auto* header = line(8);
    dot_ = new StatusDot(8);
    header->addWidget(dot_);
    QFont titleFont = Theme::font(11, QFont::DemiBold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.1);
    header->addWidget(page_kit::label(QStringLiteral("STREAM %1").arg(output_.id()), titleFont, Theme::textPrimary()));
    header->addStretch(1);
    status_ = page_kit::label({}, Theme::font(10), Theme::textSecondary());
    header->addWidget(status_);
    liveGroup_ = new QWidget;
    auto* live = line(6);
    liveGroup_->setLayout(live);
    live->addWidget(page_kit::label(tr("IN DIRETTA"), Theme::font(10, QFont::Black), Theme::onAir()));
    elapsed_ = page_kit::label({}, Theme::monoFont(10), Theme::textPrimary());
    live->addWidget(elapsed_);
    rate_ = page_kit::label({}, Theme::monoFont(10), Theme::textSecondary());
    live->addWidget(rate_);
    header->addWidget(liveGroup_);
    layout->addLayout(header);

    failure_ = page_kit::label({}, Theme::font(10), Theme::meterHigh(), true);
    layout->addWidget(failure_);
    dropped_ = page_kit::label({}, Theme::font(10), Theme::cue(), true);
    layout->addWidget(dropped_);

    // Destination: kind and address.
    destination_ = new QWidget;
    auto* dest = line(8);
    destination_->setLayout(dest);
    kind_ = new SegmentedControl;
    kind_->addSegment(QStringLiteral("RTMP"));
    kind_->addSegment(QStringLiteral("SRT"));
    kind_->setFixedWidth(110);
    dest->addWidget(kind_);
    address_ = new QLineEdit;
    address_->setFont(Theme::monoFont(13));
    address_->setAccessibleName(tr("Indirizzo di STREAM %1").arg(output_.id()));
    // Never cut: QLineEdit drops what goes past its maximum (32767 by
    // default) without a word, typed, pasted or set. The output refuses an
    // address over its own limit, and the note below says so.
    address_->setMaxLength(std::numeric_limits<int>::max());
    dest->addWidget(address_, 1);
    layout->addWidget(destination_);
    locked_ = page_kit::label(
        tr("Il portachiavi è bloccato: l'indirizzo salvato comparirà quando lo sblocchi."), Theme::font(10),
        Theme::cue(), true);
    layout->addWidget(locked_);
    notStored_ = page_kit::label(
        tr("Il portachiavi non ha salvato l'indirizzo: lo riprovo quando sarà sbloccato."), Theme::font(10),
        Theme::cue(), true);
    layout->addWidget(notStored_);
    tooLong_ = page_kit::label(StreamOutput::urlTooLongText(), Theme::font(10), Theme::meterHigh(), true);
    tooLong_->hide();
    layout->addWidget(tooLong_);
    connect(kind_, &SegmentedControl::activated, this, [this](int index) {
        output_.setKind(index == 1 ? StreamOutput::Kind::srt : StreamOutput::Kind::rtmp);
    });
    // A refused address stays in the field as typed, with a word on why
    // that stays until the address is short enough (no start goes out till
    // then).
    connect(address_, &QLineEdit::textEdited, this, [this](const QString& text) { output_.setUrl(text); });

    // Codec: the progressive or the interlaced picker, and a note.
    auto* codecLine = line(8);
    codecLine->addWidget(page_kit::label(QStringLiteral("Codec"), Theme::font(11), Theme::textSecondary()));
    codec_ = new SegmentedControl;
    codec_->addSegment(QStringLiteral("H.265 (HEVC)"));
    codec_->addSegment(QStringLiteral("H.264"));
    codec_->setFixedWidth(210);
    codec_->setAccessibleName(tr("Codec"));
    codecLine->addWidget(codec_);
    interlacedCodec_ = new SegmentedControl;
    interlacedCodec_->addSegment(QStringLiteral("MPEG-2"));
    interlacedCodec_->addSegment(QStringLiteral("H.264 (x264)"));
    interlacedCodec_->setFixedWidth(210);
    interlacedCodec_->setAccessibleName(tr("Codec"));
    codecLine->addWidget(interlacedCodec_);
    codecLine->addStretch(1);
    layout->addLayout(codecLine);
    note_ = page_kit::caption({});
    layout->addWidget(note_);
    connect(codec_, &SegmentedControl::activated, this, [this](int index) {
        output_.setVideoCodec(index == 0 ? StreamOutput::VideoCodec::h265 : StreamOutput::VideoCodec::h264);
    });
    connect(interlacedCodec_, &SegmentedControl::activated, this, [this](int index) {
        output_.setInterlacedCodec(index == 0 ? StreamOutput::InterlacedCodec::mpeg2 : StreamOutput::InterlacedCodec::h264);
    });

    // Bitrate and the start/stop button.
    auto* control = line(8);
    auto* bitrateBox = new QWidget;
    auto* bitrateLine = line(6);
    bitrateBox->setLayout(bitrateLine);
    bitrateBox->setFixedWidth(190);
    bitrateLine->addWidget(page_kit::label(QStringLiteral("Bitrate"), Theme::font(13), Theme::textPrimary()));
    bitrate_ = new QComboBox;
    bitrate_->setAccessibleName(QStringLiteral("Bitrate"));
    for (int kbps : StreamOutput::bitrates)
        bitrate_->addItem(mbitText(kbps), kbps);
    bitrateLine->addWidget(bitrate_, 1);
    control->addWidget(bitrateBox);
    control->addStretch(1);
    button_ = new PillButton(tr("Avvia"), { Theme::accent(), true });
    button_->setMinimumWidth(70);
    control->addWidget(button_);
    layout->addLayout(control);
    connect(bitrate_, &QComboBox::activated, this, [this](int index) {
        output_.setBitrateKbps(bitrate_->itemData(index).toInt());
    });
    connect(button_, &PillButton::clicked, this, &StreamRow::startOrStop);

    connect(&output_, &StreamOutput::changed, this, &StreamRow::refresh);
    connect(&manager_, &StreamManager::changed, this, &StreamRow::refresh);
    connect(&manager_, &StreamManager::formatChanged, this, &StreamRow::refresh);
    refresh();
}

QString StreamRow::statusText() const
{
    switch (output_.status().state) {
    case State::idle: return tr("Fermo");
    case State::connecting: return tr("Connessione…");
    case State::live: return tr("IN DIRETTA");
    case State::failed: return tr("Errore");
    }
    return {};
}

QColor StreamRow::statusColor() const
{
    switch (output_.status().state) {
    case State::idle: return Theme::textTertiary();
    case State::connecting: return Theme::cue();
    case State::live: return Theme::onAir();
    case State::failed: return Theme::meterHigh();
    }
    return {};
}

void StreamRow::refresh()
{
    refreshStatus();
    const bool active = output_.isActive();
    destination_->setEnabled(!active);
    const bool srt = output_.kind() == StreamOutput::Kind::srt;
    kind_->setCurrentIndex(srt ? 1 : 0);
    if (address_->text() != output_.url())
        address_->setText(output_.url());
    locked_->setVisible(output_.isUrlLocked());
    notStored_->setVisible(output_.isUrlNotStored());
    tooLong_->setVisible(output_.isUrlRefused());
    address_->setPlaceholderText(srt ? tr("srt://server:porta?mode=caller") : tr("rtmp://server/app/chiave"));
    refreshCodec();
    const int bitrateIndex = bitrate_->findData(output_.bitrateKbps());
    bitrate_->setCurrentIndex(bitrateIndex);
    bitrate_->setEnabled(!active);
    const QString buttonText = active ? tr("Ferma") : tr("Avvia");
    button_->setText(buttonText);
    button_->setAccessibleName(QStringLiteral("%1 STREAM %2").arg(buttonText).arg(output_.id()));
    button_->setSymbol(active ? QStringLiteral("stop.fill") : QStringLiteral("dot.radiowaves.up.forward"));
    button_->setStyle({ active ? Theme::onAir() : Theme::accent(), true });
}

void StreamRow::refreshStatus()
{
    const auto& status = output_.status();
    dot_->setColor(statusColor());
    const bool live = status.state == State::live;
    liveGroup_->setVisible(live);
    status_->setVisible(!live);
    status_->setText(statusText());
    QFont font = Theme::font(10, status.state == State::failed ? QFont::Bold : QFont::Normal);
    status_->setFont(font);
    switch (status.state) {
    case State::idle: page_kit::setColor(status_, Theme::textSecondary()); break;
    case State::connecting: page_kit::setColor(status_, Theme::cue()); break;
    case State::failed: page_kit::setColor(status_, Theme::meterHigh()); break;
    case State::live: break;
    }
    if (live) {
        elapsed_->setText(TimecodeFormatter::string(output_.elapsed()));
        rate_->setVisible(output_.measuredKbps() > 0);
        rate_->setText(mbitText(output_.measuredKbps()));
    }
    failure_->setVisible(status.state == State::failed);
    failure_->setText(status.message);
    const long long dropped = output_.runDroppedFrames();
    dropped_->setVisible(live && dropped > 0);
    if (live && dropped > 0)
        dropped_->setText(tr("Fotogrammi non trasmessi: %1 (la codifica non tiene il passo)").arg(dropped));
}

void StreamRow::refreshCodec()
{
    const bool active = output_.isActive();
    const bool rtmp = output_.kind() == StreamOutput::Kind::rtmp;
    const bool interlaced = manager_.format().scan == StreamFormat::Scan::interlaced;
    codec_->setVisible(!interlaced);
    interlacedCodec_->setVisible(interlaced);
    QColor noteColor = Theme::textSecondary();
    if (!interlaced) {
        const bool hevc = !rtmp && output_.videoCodec() == StreamOutput::VideoCodec::h265;
        codec_->setCurrentIndex(hevc ? 0 : 1);
        codec_->setEnabled(!active && !rtmp);
        if (rtmp)
            note_->setText(tr("RTMP trasmette in H.264: è il codec che le piattaforme accettano."));
        else if (hevc)
            note_->setText(tr("H.265 è il codec abituale per SRT: stessa qualità con circa metà bitrate. Il ricevitore deve decodificarlo."));
        else
            note_->setText(tr("H.264 è compatibile con qualunque ricevitore."));
    } else {
        const bool mpeg2 = output_.interlacedCodec() == StreamOutput::InterlacedCodec::mpeg2;
        interlacedCodec_->setCurrentIndex(mpeg2 ? 0 : 1);
        interlacedCodec_->setEnabled(!active);
        if (rtmp && mpeg2) {
            note_->setText(tr("MPEG-2 non si può inviare in RTMP: scegli SRT oppure H.264."));
            noteColor = Theme::cue();
        } else if (mpeg2) {
            note_->setText(tr("MPEG-2 è incluso nell'app e funziona con SRT."));
        } else {
            note_->setText(tr("H.264 interlacciato usa x264 di un ffmpeg installato sul computer (es. apt install ffmpeg). L'H.265 è disponibile solo in progressivo."));
        }
    }
    page_kit::setColor(note_, noteColor);
}

void StreamRow::startOrStop()
{
    if (output_.isActive()) {
        output_.stop();
        return;
    }
    manager_.startPipeline();
    output_.start(manager_.format());
}

void StreamRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(Theme::white(0.08), 1));
    p.setBrush(Theme::white(0.05));
    p.drawRoundedRect(r, 10, 10);
}

} // namespace tessarin

#include "ui/playlist/CueBar.h"

#include "engine/PlayerFrameGrabber.h"
#include "engine/PlaylistEngine.h"
#include "platform/FrameView.h"
#include "platform/Icons.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/VideoFrame.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/DisplayName.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTransform>
#include <QVBoxLayout>

#include <cmath>

namespace tessarin {

namespace {
constexpr QSize kPreviewSize(140, 79);
constexpr double kBarRadius = 10;
constexpr double kPreviewRadius = 6;

// The bar's fill over the column's background, as one opaque colour.
QColor barFill()
{
    const QColor under = Theme::background();
    const QColor over = Theme::cue();
    const double a = 0.12;
    return QColor::fromRgbF(float(under.redF() * (1 - a) + over.redF() * a),
                            float(under.greenF() * (1 - a) + over.greenF() * a),
                            float(under.blueF() * (1 - a) + over.blueF() * a));
}

// The preview's rounded corners and its cue-coloured frame, over the picture.
class PreviewFrame : public QWidget {
public:
    explicit PreviewFrame(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath inside;
        inside.addRoundedRect(QRectF(rect()), kPreviewRadius, kPreviewRadius);
        QPainterPath corners;
        corners.addRect(QRectF(rect()));
        p.fillPath(corners.subtracted(inside), barFill());
        p.setPen(QPen(Theme::cue(), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kPreviewRadius - 1, kPreviewRadius - 1);
    }
};

// A filled accent button with a symbol before its text.
class TakeButton : public QAbstractButton {
public:
    TakeButton(const QString& text, QWidget* parent)
        : QAbstractButton(parent)
    {
        setText(text);
        setFont(Theme::font(13, QFont::Medium));
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(text);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        useKeyboardFocus(this);
    }
    QSize sizeHint() const override
    {
        const QFontMetrics fm(font());
        return { kPadX * 2 + kIcon + kGap + fm.horizontalAdvance(text()), std::max(fm.height(), kIcon) + kPadY * 2 };
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = Theme::accent();
        if (isDown())
            fill = fill.darker(115);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        // Focused, the fill stands inside the ring of the same colour.
        const bool ring = showsFocusRing(this);
        const qreal inset = ring ? 3.5 : 0.5;
        p.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 6 - (inset - 0.5), 6 - (inset - 0.5));
        if (ring)
            paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), 6);
        const QPixmap icon = Icons::pixmap(QStringLiteral("arrow.up.forward.circle.fill"), Qt::white, kIcon,
                                           devicePixelRatioF());
        p.drawPixmap(QRectF(kPadX, (height() - kIcon) / 2.0, kIcon, kIcon), icon, QRectF(icon.rect()));
        p.setPen(Qt::white);
        p.setFont(font());
        p.drawText(rect().adjusted(kPadX + kIcon + kGap, 0, -kPadX, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    static constexpr int kPadX = 10;
    static constexpr int kPadY = 5;
    static constexpr int kIcon = 14;
    static constexpr int kGap = 6;
};

QImage turned(const QImage& image, Orientation orientation)
{
    switch (orientation) {
    case Orientation::right: return image.transformed(QTransform().rotate(90));
    case Orientation::left: return image.transformed(QTransform().rotate(-90));
    case Orientation::down: return image.transformed(QTransform().rotate(180));
    case Orientation::up: break;
    }
    return image;
}
} // namespace

CueBar::CueBar(PlaylistEngine& engine, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , previewPlayer_(engine.previewPlayer())
    , grabber_(std::make_unique<PlayerFrameGrabber>(engine.previewPlayer()))
    , preview_(new FrameView(engine.previewPlayer()->clock()))
    , name_(new ElidedLabel)
    , take_(new TakeButton(tr("Manda in onda"), nullptr))
    , cancel_(new IconButton(QStringLiteral("xmark.circle"), tr("Annulla cue")))
{
    auto* previewBox = new QWidget;
    previewBox->setFixedSize(kPreviewSize);
    preview_->setParent(previewBox);
    preview_->setGeometry(QRect(QPoint(), kPreviewSize));
    auto* frame = new PreviewFrame(previewBox);
    frame->setGeometry(QRect(QPoint(), kPreviewSize));
    frame->raise();
    preview_->setFrameSource([this] { return previewFrame(); });

    auto* inCue = new QLabel(tr("IN CUE"));
    inCue->setFont(Theme::font(10, QFont::Bold));
    setTextColor(inCue, Theme::cue());
    name_->setFont(Theme::font(12));
    name_->setColor(Theme::textPrimary());
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->addStretch(1);
    texts->addWidget(inCue);
    texts->addWidget(name_);
    texts->addStretch(1);

    cancel_->setGlyphColor(Theme::textSecondary());

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(12);
    layout->addWidget(previewBox);
    layout->addLayout(texts, 1);
    layout->addWidget(take_);
    layout->addWidget(cancel_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    connect(take_, &QAbstractButton::clicked, this, [this] { engine_.takeCued(); });
    connect(cancel_, &QAbstractButton::clicked, this, [this] { engine_.clearCue(); });
    connect(&engine, &PlaylistEngine::cuedItemChanged, this, &CueBar::follow);
    connect(&engine, &PlaylistEngine::cuedBlockChanged, this, &CueBar::follow);
    // A new item, and the cue's seek to the IN point once decoded: the
    // paused preview pulls its picture only then.
    connect(previewPlayer_.get(), &MediaPlayer::currentItemChanged, preview_, &FrameView::refresh);
    seekObserver_ = previewPlayer_->addPeriodicTimeObserver(1.0, [view = QPointer<FrameView>(preview_)](double) {
        if (view)
            view->refresh();
    });
    follow();
}

CueBar::~CueBar()
{
    previewPlayer_->removeTimeObserver(seekObserver_);
}

QString CueBar::itemName() const
{
    return name_->text();
}

void CueBar::follow()
{
    const auto& item = engine_.cuedItem();
    name_->setText(item ? itemDisplayName(*item) : QString());
    // Shown only inside its column: alone it would open a window of its own.
    if (parentWidget() || !item)
        setVisible(item != nullptr);
    if (item)
        preview_->refresh();
}

QImage CueBar::previewFrame()
{
    // Its own output asks for no more than the preview shows; the engine
    // keeps the cued item at the program's size beside it.
    const double dpr = preview_->devicePixelRatioF();
    grabber_->setDrawnSize(QSize(int(std::ceil(kPreviewSize.width() * dpr)), int(std::ceil(kPreviewSize.height() * dpr))));
    const auto picture = grabber_->image(previewPlayer_->clock().now());
    if (!picture)
        return {};
    return turned(picture.frame->image(), picture.orientation);
}

void CueBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kBarRadius, kBarRadius);
    p.fillPath(shape, Theme::withAlpha(Theme::cue(), 0.12));
    p.setPen(QPen(Theme::withAlpha(Theme::cue(), 0.35), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kBarRadius - 0.5, kBarRadius - 0.5);
}

} // namespace tessarin

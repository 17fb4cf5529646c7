#include "ui/playlist/LayerControlView.h"

#include "engine/OverlayLayer.h"
#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/DialogFocus.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/LayerSettingsView.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace tessarin {
namespace {

constexpr int kPreviewWidth = 56;
constexpr int kPreviewHeight = 32;

// The first local file a drag carries; empty when it carries none.
QUrl firstFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            return url;
    }
    return {};
}

// The thumbnail over a checkerboard, or the symbol of an empty or loading layer.
class LayerPreview : public QWidget {
public:
    LayerPreview(const OverlayLayer& layer, QWidget* parent)
        : QWidget(parent)
        , layer_(layer)
    {
        setFixedSize(kPreviewWidth, kPreviewHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF box(rect());
        QPainterPath shape;
        shape.addRoundedRect(box, 4, 4);
        p.setClipPath(shape);
        CheckerboardView::paint(p, box);
        const QImage& thumbnail = layer_.thumbnail();
        if (!thumbnail.isNull()) {
            const QSizeF fitted = QSizeF(thumbnail.size()).scaled(box.size(), Qt::KeepAspectRatio);
            p.drawImage(QRectF(box.center().x() - fitted.width() / 2, box.center().y() - fitted.height() / 2,
                               fitted.width(), fitted.height()),
                        thumbnail);
        } else {
            const int size = 13;
            const QString symbol = layer_.hasContent() ? QStringLiteral("photo") : QStringLiteral("square.3.layers.3d");
            p.drawPixmap(QRect((width() - size) / 2, (height() - size) / 2, size, size),
                         Icons::pixmap(symbol, Theme::textTertiary(), size, devicePixelRatioF()));
        }
        p.setPen(QPen(Theme::panelBorder(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }

private:
    const OverlayLayer& layer_;
};

} // namespace

LayerControlView::FileChooser LayerControlView::systemFileChooser()
{
    return [](QWidget* parent, std::function<void(const QString&)> chosen) {
        auto* dialog = new QFileDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setMimeTypeFilters({ QStringLiteral("image/png"), QStringLiteral("image/jpeg"),
                                     QStringLiteral("image/gif"), QStringLiteral("image/webp"),
                                     QStringLiteral("image/tiff"), QStringLiteral("video/quicktime"),
                                     QStringLiteral("video/mp4"), QStringLiteral("video/webm"),
                                     QStringLiteral("video/x-matroska"), QStringLiteral("application/octet-stream") });
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen](const QString& path) {
            if (!path.isEmpty())
                chosen(path);
        });
        returnFocusWhenClosed(dialog);
        dialog->open();
    };
}

LayerControlView::LayerControlView(std::shared_ptr<OverlayLayer> layer, QWidget* parent)
    : LayerControlView(std::move(layer), systemFileChooser(), parent)
{
}

LayerControlView::LayerControlView(std::shared_ptr<OverlayLayer> layer, FileChooser chooser, QWidget* parent)
    : QWidget(parent)
    , layer_(std::move(layer))
    , chooser_(std::move(chooser))
{
    setAcceptDrops(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(10);

    preview_ = new LayerPreview(*layer_, this);
    row->addWidget(preview_);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(layer_->title().toUpper(), this);
    QFont titleFont = Theme::font(10, QFont::DemiBold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.1);
    title->setFont(titleFont);
    title_ = title;
    file_ = new ElidedLabel({}, Qt::ElideMiddle, this);
    file_->setFont(Theme::font(12));
    texts->addWidget(title_);
    texts->addWidget(file_);
    row->addLayout(texts, 1);
    row->addSpacing(4);

    load_ = new IconButton(QStringLiteral("folder"), tr("Carica un file…"), { 24 }, this);
    load_->setGlyphColor(Theme::textSecondary());
    settings_ = new IconButton(QStringLiteral("slider.horizontal.3"), tr("Opacità, dimensione e posizione"), { 24 }, this);
    settings_->setGlyphColor(Theme::textSecondary());
    clear_ = new IconButton(QStringLiteral("xmark"), tr("Svuota il layer"), { 24 }, this);
    clear_->setGlyphColor(Theme::textTertiary());
    onAir_ = new PillButton({}, { Theme::layer(), false }, this);
    QFont onAirFont = Theme::font(11, QFont::Bold);
    onAirFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    onAir_->setFont(onAirFont);
    onAir_->setIconSize(QSize(12, 12));
    onAir_->setMinimumLabelWidth(82);
    for (QWidget* w : { static_cast<QWidget*>(load_), static_cast<QWidget*>(settings_), static_cast<QWidget*>(clear_),
                        static_cast<QWidget*>(onAir_) })
        row->addWidget(w);

    connect(load_, &QAbstractButton::clicked, this, [this] {
        std::weak_ptr<OverlayLayer> weak = layer_;
        chooser_(this, [weak](const QString& path) {
            if (auto layer = weak.lock())
                layer->load(QUrl::fromLocalFile(path));
        });
    });
    connect(settings_, &QAbstractButton::clicked, this, &LayerControlView::openSettings);
    connect(clear_, &QAbstractButton::clicked, this, [this] { layer_->clear(); });
    connect(onAir_, &QAbstractButton::clicked, this, [this] { layer_->setIsVisible(!layer_->isVisible()); });
    connect(layer_.get(), &OverlayLayer::changed, this, &LayerControlView::refresh);
    refresh();
}

LayerControlView::~LayerControlView()
{
    if (popover_)
        delete popover_.data();
}

QString LayerControlView::fileText() const { return file_->text(); }

void LayerControlView::refresh()
{
    const bool visible = layer_->isVisible();
    const bool content = layer_->hasContent();
    setTextColor(title_, visible ? Theme::layer() : Theme::textSecondary());
    file_->setText(layer_->fileName().value_or(tr("Trascina un PNG o un video con alpha")));
    file_->setColor(content ? Theme::textPrimary() : Theme::textTertiary());
    settings_->setEnabled(content);
    clear_->setEnabled(content);
    onAir_->setEnabled(content);
    onAir_->setStyle({ Theme::layer(), visible });
    onAir_->setText(visible ? tr("IN ONDA") : tr("MOSTRA"));
    onAir_->setIcon(Icons::icon(visible ? QStringLiteral("eye.fill") : QStringLiteral("eye.slash"),
                                visible ? Theme::black(0.85) : Theme::layer(), 12));
    // Each layer's controls say whose they are: "MOSTRA, Layer 1".
    nameAsOf(onAir_, onAir_->text(), layer_->title());
    for (IconButton* control : { load_, settings_, clear_ })
        nameAsOf(control, control->toolTip(), layer_->title());
    if (!content && popover_)
        popover_->hide();
    preview_->update();
    update();
}

void LayerControlView::openSettings()
{
    if (!popover_)
        popover_ = new Popover(new LayerSettingsView(layer_), this);
    popover_->showFor(settings_);
}

void LayerControlView::setDropTargeted(bool targeted)
{
    if (dropTargeted_ == targeted)
        return;
    dropTargeted_ = targeted;
    update();
}

void LayerControlView::dragEnterEvent(QDragEnterEvent* event)
{
    if (firstFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    // From a file manager a move would delete the user's file.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropTargeted(true);
}

void LayerControlView::dragLeaveEvent(QDragLeaveEvent*) { setDropTargeted(false); }

void LayerControlView::dropEvent(QDropEvent* event)
{
    setDropTargeted(false);
    const QUrl url = firstFile(event->mimeData());
    if (url.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    layer_->load(url); // ignores files that are neither images nor movies
}

void LayerControlView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool visible = layer_->isVisible();
    const QRectF r = QRectF(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(visible ? Theme::withAlpha(Theme::layer(), 0.12) : Theme::panel());
    p.drawRoundedRect(r, 10, 10);
    QPen border;
    if (dropTargeted_) {
        border = QPen(Theme::accent(), 2, Qt::CustomDashLine);
        border.setDashPattern({ 3, 3 }); // in pen widths: 6 on, 6 off
    } else {
        border = QPen(visible ? Theme::withAlpha(Theme::layer(), 0.6) : Theme::panelBorder(), 1);
    }
    p.setPen(border);
    p.setBrush(Qt::NoBrush);
    const qreal inset = border.widthF() / 2;
    p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), 10 - inset, 10 - inset);
}

} // namespace tessarin

#include "ui/browser/BrowserRow.h"

#include "media/MediaFile.h"
#include "media/TimecodeFormatter.h"
#include "ui/browser/ThumbnailView.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/DisplayName.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tessarin {
namespace {
constexpr int kSelectionBar = 3;

QString thumbnailIcon(const MediaFile& file)
{
    return file.isAudioOnly() ? QStringLiteral("waveform") : QStringLiteral("film");
}
} // namespace

BrowserRow::BrowserRow(std::shared_ptr<MediaFile> file, QWidget* parent)
    : QWidget(parent)
    , file_(std::move(file))
    , thumbnail_(new ThumbnailView(40, 24, thumbnailIcon(*file_), this))
    , name_(new ElidedLabel(displayName(*file_), Qt::ElideMiddle, this))
    , duration_(new ElidedLabel({}, Qt::ElideNone, this))
{
    // The list makes one row a Tab stop; the others take focus by click and arrows.
    setFocusPolicy(Qt::ClickFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(8);
    layout->addWidget(thumbnail_);
    name_->setFont(Theme::font(12));
    name_->setColor(Theme::textPrimary());
    layout->addWidget(name_, 1);
    duration_->setFont(Theme::monoFont(10));
    duration_->setColor(Theme::textSecondary());
    duration_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addWidget(duration_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    follow();
}

void BrowserRow::setFile(std::shared_ptr<MediaFile> file)
{
    pressed_ = false;
    if (file == file_)
        return;
    disconnect(file_.get(), nullptr, this, nullptr);
    file_ = std::move(file);
    thumbnail_->setIcon(thumbnailIcon(*file_));
    name_->setText(displayName(*file_));
    follow();
}

void BrowserRow::follow()
{
    connect(file_.get(), &MediaFile::thumbnailChanged, this, &BrowserRow::showThumbnail);
    connect(file_.get(), &MediaFile::durationChanged, this, &BrowserRow::showDuration);
    showThumbnail();
    showDuration();
}

QString BrowserRow::displayName(const MediaFile& file)
{
    return itemDisplayName(file);
}

QString BrowserRow::durationText() const { return duration_->text(); }

void BrowserRow::showThumbnail()
{
    // Decoded off the main thread (rows are made as the list scrolls), the
    // placeholder until then; shown if this row still shows that file and
    // picture when it comes.
    const PackedPicture picture = file_->packedThumbnail();
    thumbnail_->setImage(QImage());
    picture.unpackLater(this, [this, file = std::weak_ptr<MediaFile>(file_), picture](const QImage& image) {
        if (file.lock() == file_ && file_->packedThumbnail() == picture)
            thumbnail_->setImage(image);
    });
}

void BrowserRow::showDuration()
{
    duration_->setText(TimecodeFormatter::string(file_->duration()));
    setAccessibleName(name_->text() + QStringLiteral(", ") + duration_->text());
}

void BrowserRow::setIndex(int index)
{
    if (index_ == index)
        return;
    index_ = index;
    update();
}

void BrowserRow::setSelected(bool selected)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    update();
}

void BrowserRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (selected_) {
        p.fillRect(rect(), Theme::withAlpha(Theme::accent(), 0.28));
        p.fillRect(QRect(0, 0, kSelectionBar, height()), Theme::accent());
    } else {
        p.fillRect(rect(), index_ % 2 == 0 ? Theme::rowDark() : Theme::rowLight());
    }
    if (showsFocusRing(this))
        paintFocusRing(p, QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 4);
}

QPixmap BrowserRow::dragPreview(int count) const
{
    const qreal dpr = devicePixelRatioF();
    const bool several = count >= 2;
    const QString text = several ? tr("%1 file").arg(count) : name_->text();
    const QFont font = Theme::font(12, several ? QFont::DemiBold : QFont::Normal);
    const QFontMetrics fm(font);
    const QMargins pad = several ? QMargins(12, 6, 12, 6) : QMargins(10, 5, 10, 5);
    const QSize size(fm.horizontalAdvance(text) + pad.left() + pad.right(), fm.height() + pad.top() + pad.bottom());
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    if (several) {
        p.setBrush(Theme::accent());
        p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        p.setPen(Qt::black);
    } else {
        p.setBrush(Theme::panelAlt());
        p.drawRoundedRect(r, 6, 6);
        p.setPen(Theme::textPrimary());
    }
    p.setFont(font);
    p.drawText(r.marginsRemoved(QMarginsF(pad)), Qt::AlignLeft | Qt::AlignVCenter, text);
    return pixmap;
}

void BrowserRow::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    pressPos_ = event->position().toPoint();
    event->accept();
}

void BrowserRow::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return;
    pressed_ = false;
    emit dragStarted(pressPos_);
}

void BrowserRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        pressed_ = false;
        emit clicked(event->modifiers());
        return;
    }
    pressed_ = false;
}

void BrowserRow::contextMenuEvent(QContextMenuEvent* event)
{
    emit contextMenuRequested(event->globalPos());
    event->accept();
}

void BrowserRow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        emit contextMenuRequested(mapToGlobal(QPoint(width() / 4, height())));
        return;
    }
    if (event->modifiers() == Qt::NoModifier && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        emit stepRequested(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void BrowserRow::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
    emit focused();
}

void BrowserRow::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace tessarin

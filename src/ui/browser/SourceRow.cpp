#include "ui/browser/SourceRow.h"

#include "media/MediaDrop.h"
#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace tessarin {
namespace {

// The kind's symbol on a faint live-coloured plate.
class KindBadge : public QWidget {
public:
    KindBadge(QString icon, QWidget* parent)
        : QWidget(parent)
        , icon_(std::move(icon))
    {
        setFixedSize(40, 24);
    }
    void setIcon(const QString& icon)
    {
        icon_ = icon;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::withAlpha(Theme::live(), 0.18));
        p.drawRoundedRect(QRectF(rect()), 4, 4);
        constexpr int glyph = 11;
        p.drawPixmap(QRect((width() - glyph) / 2, (height() - glyph) / 2, glyph, glyph),
                     Icons::pixmap(icon_, Theme::live(), glyph, devicePixelRatioF()));
    }

private:
    QString icon_;
};

} // namespace

SourceRow::SourceRow(const LiveSource& source, int index, QWidget* parent)
    : QWidget(parent)
    , source_(source)
    , index_(index)
    , name_(new ElidedLabel({}, Qt::ElideMiddle, this))
    , detail_(new ElidedLabel({}, Qt::ElideMiddle, this))
    , badge_(new KindBadge(LiveSourceKinds::systemImage(source.kind), this))
{
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(8);
    layout->addWidget(badge_);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    name_->setFont(Theme::font(12));
    name_->setColor(Theme::textPrimary());
    detail_->setFont(Theme::font(10));
    detail_->setColor(Theme::textTertiary());
    texts->addWidget(name_);
    texts->addWidget(detail_);
    layout->addLayout(texts, 1);

    auto* handle = new QLabel(this);
    handle->setPixmap(Icons::pixmap(QStringLiteral("line.3.horizontal"), Theme::textTertiary(), 10, devicePixelRatioF()));
    layout->addWidget(handle);

    setToolTip(tr("Trascina in un blocco"));
    setAccessibleDescription(tr("Trascina in un blocco"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void SourceRow::setSource(const LiveSource& source)
{
    if (source_ == source)
        return;
    source_ = source;
    refresh();
}

void SourceRow::setIndex(int index)
{
    if (index_ == index)
        return;
    index_ = index;
    update();
}

QString SourceRow::detailText() const
{
    if (!LiveSourceKinds::isManual(source_.kind))
        return {};
    return source_.listen ? tr("in ascolto · %1").arg(source_.address) : source_.address;
}

void SourceRow::refresh()
{
    name_->setText(source_.name);
    static_cast<KindBadge*>(badge_)->setIcon(LiveSourceKinds::systemImage(source_.kind));
    detail_->setText(detailText());
    setAccessibleName(detail_->text().isEmpty() ? source_.name : source_.name + QStringLiteral(", ") + detail_->text());
    detail_->setVisible(LiveSourceKinds::isManual(source_.kind));
}

QMimeData* SourceRow::makeDragData() const
{
    auto* data = new QMimeData;
    data->setText(MediaDrop::sourcePayload(source_));
    return data;
}

void SourceRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), index_ % 2 == 0 ? Theme::rowDark() : Theme::rowLight());
    if (showsFocusRing(this))
        paintFocusRing(p, QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 4);
}

void SourceRow::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    pressPos_ = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void SourceRow::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return;
    pressed_ = false;
    // Owned by the section: a device unplugged during the drag takes its row away.
    auto* drag = new QDrag(parentWidget() ? static_cast<QObject*>(parentWidget()) : this);
    drag->setMimeData(makeDragData());
    drag->setPixmap(grab());
    drag->setHotSpot(pressPos_);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void SourceRow::contextMenuEvent(QContextMenuEvent* event)
{
    emit contextMenuRequested(event->globalPos());
    event->accept();
}

void SourceRow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        emit contextMenuRequested(mapToGlobal(QPoint(width() / 4, height())));
        return;
    }
    QWidget::keyPressEvent(event);
}

void SourceRow::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void SourceRow::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace tessarin

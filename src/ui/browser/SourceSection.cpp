#include "ui/browser/SourceSection.h"

#include "media/MediaDrop.h"
#include "media/SourceLibrary.h"
#include "platform/Icons.h"
#include "ui/browser/AddSourceView.h"
#include "ui/browser/SourceRow.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace tessarin {
namespace {

QLabel* coloured(QLabel* label, const QColor& color, const QFont& font)
{
    setTextColor(label, color);
    label->setFont(font);
    return label;
}

// The number of sources on a faint capsule.
class CountBadge : public QLabel {
public:
    explicit CountBadge(QWidget* parent)
        : QLabel(parent)
    {
        coloured(this, Theme::textSecondary(), Theme::font(10, QFont::DemiBold));
        setContentsMargins(6, 1, 6, 1);
        setAlignment(Qt::AlignCenter);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::white(0.08));
        const QRectF r(rect());
        p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        p.end();
        QLabel::paintEvent(event);
    }
};

} // namespace

SourceSection::SourceSection(LiveSourceKind kind, SourceLibrary& sources, QWidget* parent)
    : QWidget(parent)
    , kind_(kind)
    , sources_(sources)
    , count_(new CountBadge(this))
    , empty_(new QLabel(this))
    , rowsLayout_(new QVBoxLayout)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(10, 0, 10, 6);
    header->setSpacing(6);
    auto* icon = new QLabel(this);
    icon->setPixmap(Icons::pixmap(LiveSourceKinds::systemImage(kind), Theme::live(), 11, devicePixelRatioF()));
    header->addWidget(icon);
    QFont titleFont = Theme::font(11, QFont::DemiBold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    auto* title = coloured(new QLabel(LiveSourceKinds::title(kind).toUpper(), this), Theme::textSecondary(), titleFont);
    header->addWidget(title);
    header->addWidget(count_);
    header->addStretch(1);
    if (LiveSourceKinds::isManual(kind)) {
        addButton_ = new IconButton(QStringLiteral("plus"), tr("Aggiungi una sorgente %1").arg(LiveSourceKinds::title(kind)),
                                    IconButtonStyle { 22 }, this);
        addButton_->setGlyphColor(Theme::accent());
        connect(addButton_, &QAbstractButton::clicked, this, &SourceSection::openAddForm);
        header->addWidget(addButton_);
    }
    layout->addLayout(header);

    coloured(empty_, Theme::textTertiary(), Theme::font(11));
    empty_->setText(emptyMessage(kind));
    empty_->setContentsMargins(10, 6, 10, 6);
    empty_->setWordWrap(true);
    layout->addWidget(empty_);

    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(0);
    layout->addLayout(rowsLayout_);

    const auto signal = kind == LiveSourceKind::capture ? &SourceLibrary::captureSourcesChanged
                                                        : &SourceLibrary::manualSourcesChanged;
    connect(&sources_, signal, this, &SourceSection::reload);
    reload();
}

QString SourceSection::emptyMessage(LiveSourceKind kind)
{
    if (kind == LiveSourceKind::capture)
        return tr("Nessun dispositivo di acquisizione collegato");
    return tr("Premi + per aggiungere un feed %1").arg(LiveSourceKinds::title(kind));
}

QString SourceSection::rowKey(const LiveSource& source) const
{
    return kind_ == LiveSourceKind::capture ? source.address : source.id.toString();
}

void SourceSection::reload()
{
    const std::vector<LiveSource> list = sources_.sources(kind_);
    QHash<QString, SourceRow*> kept;
    for (int i = 0; i < int(list.size()); ++i) {
        const LiveSource& source = list[std::size_t(i)];
        const QString key = rowKey(source);
        if (kept.contains(key))
            continue; // one row per device address
        SourceRow* row = rows_.take(key);
        if (row) {
            row->setSource(source);
            row->setIndex(int(kept.size()));
        } else {
            row = new SourceRow(source, int(kept.size()), this);
            connect(row, &SourceRow::contextMenuRequested, this, [this, row](const QPoint& at) {
                if (QMenu* menu = makeContextMenu(row)) {
                    menu->setAttribute(Qt::WA_DeleteOnClose);
                    menu->popup(at);
                }
            });
        }
        const int position = int(kept.size());
        if (rowsLayout_->indexOf(row) != position) {
            rowsLayout_->removeWidget(row);
            rowsLayout_->insertWidget(position, row);
        }
        kept.insert(key, row);
    }
    // Rows whose source left the catalogue; a row may be inside its own
    // menu's handler, so it goes once the event is over.
    for (SourceRow* gone : std::as_const(rows_)) {
        gone->hide();
        rowsLayout_->removeWidget(gone);
        gone->deleteLater();
    }
    rows_ = std::move(kept);
    // New and moved rows take their place in the Tab order, in list order.
    QWidget* previous = nullptr;
    for (SourceRow* row : rows()) {
        if (previous)
            QWidget::setTabOrder(previous, row);
        else
            placeInTabOrder(row);
        previous = row;
    }
    count_->setText(QString::number(list.size()));
    empty_->setVisible(list.empty());
}

std::vector<SourceRow*> SourceSection::rows() const
{
    std::vector<SourceRow*> result;
    for (int i = 0; i < rowsLayout_->count(); ++i) {
        if (auto* row = qobject_cast<SourceRow*>(rowsLayout_->itemAt(i)->widget()))
            result.push_back(row);
    }
    return result;
}

QString SourceSection::countText() const { return count_->text(); }

QMenu* SourceSection::makeContextMenu(SourceRow* row)
{
    if (!row)
        return nullptr;
    auto* menu = new QMenu(this);
    if (destinations_) {
        QMimeData dragged;
        dragged.setText(MediaDrop::sourcePayload(row->source()));
        destinations_(*menu, dragged);
    }
    if (LiveSourceKinds::isManual(kind_)) {
        if (!menu->isEmpty())
            menu->addSeparator();
        const QUuid id = row->source().id;
        QAction* remove = menu->addAction(tr("Rimuovi"));
        connect(remove, &QAction::triggered, this, [this, id] { sources_.removeManualSource(id); });
    }
    if (menu->isEmpty()) {
        delete menu;
        return nullptr;
    }
    return menu;
}

void SourceSection::openAddForm()
{
    if (addPopover_)
        return;
    addPopover_ = presentAddSource(addButton_, kind_, sources_);
    connect(addPopover_, &Popover::closed, this, [this] { addPopover_ = nullptr; });
}

} // namespace tessarin

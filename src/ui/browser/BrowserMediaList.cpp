#include "ui/browser/BrowserMediaList.h"

#include "media/MediaFile.h"
#include "platform/Icons.h"
#include "ui/browser/BrowserRow.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tessarin {
namespace {

QWidget* makeEmptyHint(QWidget* parent)
{
    auto* hint = new QWidget(parent);
    auto* layout = new QVBoxLayout(hint);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);
    layout->addStretch(1);
    auto* icon = new QLabel(hint);
    icon->setPixmap(Icons::pixmap(QStringLiteral("film.stack"), Theme::textTertiary(), 28, hint->devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* text = new BalancedLinesLabel(BrowserMediaList::tr("Trascina qui i file video, audio o immagini\noppure usa il pulsante “+”"), hint);
    text->setObjectName(QStringLiteral("emptyHintText"));
    text->setFont(Theme::font(12));
    text->setColor(Theme::textSecondary());
    layout->addWidget(text);
    layout->addStretch(1);
    return hint;
}

} // namespace

BrowserMediaList::BrowserMediaList(QWidget* parent)
    : QStackedWidget(parent)
    , empty_(makeEmptyHint(this))
    , scroll_(new QScrollArea(this))
    , rowsLayout_(nullptr)
{
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll_->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    rowsLayout_ = new QVBoxLayout(content);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(0);
    rowsLayout_->addStretch(1);
    scroll_->setWidget(content);
    addWidget(empty_);
    addWidget(scroll_);
}

void BrowserMediaList::setFiles(const BrowserFiles::Files& files)
{
    QHash<QUuid, BrowserRow*> kept;
    kept.reserve(qsizetype(files.size()));
    QWidget* content = scroll_->widget();
    for (const auto& file : files) {
        if (kept.contains(file->id()))
            continue; // one row per item, even if the list names it twice
        BrowserRow* row = rows_.take(file->id());
        const int index = int(kept.size());
        if (!row) {
            row = new BrowserRow(file, content);
            emit rowAdded(row);
        }
        row->setIndex(index);
        if (rowsLayout_->indexOf(row) != index) {
            rowsLayout_->removeWidget(row);
            rowsLayout_->insertWidget(index, row);
        }
        row->show();
        kept.insert(file->id(), row);
    }
    // A row may be inside its own menu's handler: it goes once the event is over.
    for (BrowserRow* gone : std::as_const(rows_)) {
        gone->hide();
        rowsLayout_->removeWidget(gone);
        gone->deleteLater();
    }
    rows_ = std::move(kept);
    setCurrentWidget(rows_.isEmpty() ? empty_ : static_cast<QWidget*>(scroll_));
}

void BrowserMediaList::setSelection(const QSet<QUuid>& ids)
{
    for (auto it = rows_.cbegin(); it != rows_.cend(); ++it)
        it.value()->setSelected(ids.contains(it.key()));
}

std::vector<BrowserRow*> BrowserMediaList::rows() const
{
    std::vector<BrowserRow*> result;
    for (int i = 0; i < rowsLayout_->count(); ++i) {
        if (auto* row = qobject_cast<BrowserRow*>(rowsLayout_->itemAt(i)->widget()))
            result.push_back(row);
    }
    return result;
}

bool BrowserMediaList::showsEmptyHint() const { return currentWidget() == empty_; }

} // namespace tessarin

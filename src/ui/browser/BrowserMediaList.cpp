#include "ui/browser/BrowserMediaList.h"

#include "media/MediaFile.h"
#include "platform/Icons.h"
#include "ui/browser/BrowserRow.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

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
    , content_(new QWidget)
{
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->viewport()->setAutoFillBackground(false);
    content_->setAutoFillBackground(false);
    content_->setFixedHeight(0);
    scroll_->setWidget(content_);
    content_->installEventFilter(this);
    scroll_->viewport()->installEventFilter(this);
    connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { showRowsInView(); });
    addWidget(empty_);
    addWidget(scroll_);
}

bool BrowserMediaList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && (watched == content_ || watched == scroll_->viewport()))
        showRowsInView();
    return QStackedWidget::eventFilter(watched, event);
}

void BrowserMediaList::setFiles(const BrowserFiles::Files& files)
{
    BrowserFiles::Files listed;
    listed.reserve(files.size());
    QHash<QUuid, BrowserRow*> kept;
    QSet<QUuid> seen;
    seen.reserve(qsizetype(files.size()));
    for (const auto& file : files) {
        if (seen.contains(file->id()))
            continue; // one row per item, even if the list names it twice
        seen.insert(file->id());
        if (BrowserRow* row = rows_.take(file->id())) {
            row->setIndex(int(listed.size()));
            kept.insert(file->id(), row);
        }
        listed.push_back(file);
    }
    if (!seen.contains(tabStop_))
        tabStop_ = QUuid();
    for (BrowserRow* row : std::as_const(kept))
        followTabStop(row);
    // A row may be inside its own menu's handler: it goes once the event is over.
    for (BrowserRow* gone : std::as_const(rows_)) {
        gone->hide();
        gone->deleteLater();
    }
    // A spare row lets go of a file that left the list.
    std::erase_if(spare_, [&](BrowserRow* spare) {
        if (seen.contains(spare->file()->id()))
            return false;
        spare->deleteLater();
        return true;
    });
    rows_ = std::move(kept);
    files_ = std::move(listed);
    isPlaced_ = false;
    setCurrentWidget(files_.empty() ? empty_ : static_cast<QWidget*>(scroll_));
    showRowsInView();
}

BrowserRow* BrowserMediaList::rowFor(int index)
{
    const auto& file = files_[std::size_t(index)];
    BrowserRow* row = nullptr;
    const bool reused = !spare_.empty();
    if (reused) {
        row = spare_.back();
        spare_.pop_back();
        row->setFile(file);
    } else {
        row = new BrowserRow(file, content_);
    }
    row->setIndex(index);
    row->setSelected(selection_.contains(file->id()));
    followTabStop(row);
    rows_.insert(file->id(), row);
    if (!reused) {
        connect(row, &BrowserRow::stepRequested, this, [this, row](int rows) { focusRow(row->index() + rows); });
        connect(row, &BrowserRow::focused, this, [this, row] { setTabStop(row->file()->id()); });
        emit rowAdded(row);
    }
    return row;
}

void BrowserMediaList::followTabStop(BrowserRow* row) const
{
    const bool stop = tabStop_.isNull() ? row->index() == 0 : row->file()->id() == tabStop_;
    row->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
}

void BrowserMediaList::setTabStop(const QUuid& id)
{
    if (tabStop_ == id)
        return;
    tabStop_ = id;
    for (BrowserRow* row : std::as_const(rows_))
        followTabStop(row);
}

void BrowserMediaList::focusRow(int index)
{
    if (files_.empty())
        return;
    index = std::clamp(index, 0, int(files_.size()) - 1);
    if (rowHeight_ > 0)
        scroll_->ensureVisible(0, index * rowHeight_ + rowHeight_ / 2, 0, rowHeight_ / 2 + 1);
    showRowsInView();
    if (BrowserRow* row = rows_.value(files_[std::size_t(index)]->id()))
        row->setFocus(Qt::TabFocusReason);
}

void BrowserMediaList::showRowsInView()
{
    const int count = int(files_.size());
    if (rowHeight_ <= 0 && count > 0) {
        BrowserRow* first = rows_.value(files_.front()->id());
        if (!first)
            first = rowFor(0);
        rowHeight_ = std::max(1, first->sizeHint().height());
    }
    content_->setFixedHeight(count * rowHeight_);
    if (count == 0)
        return;
    // What is in view and a page either side; before the list has a size,
    // the rows a tall window would show.
    constexpr int kRowsBeforeLayout = 50;
    const int viewHeight = scroll_->viewport()->height();
    int first = 0;
    int last = std::min(count, kRowsBeforeLayout) - 1;
    const bool isLaidOut = scroll_->isVisible() && viewHeight > 0;
    if (isLaidOut) {
        const int top = scroll_->verticalScrollBar()->value();
        first = std::max(0, (top - viewHeight) / rowHeight_);
        last = std::min(count - 1, (top + 2 * viewHeight) / rowHeight_);
        // Rows more than a page beyond those are taken back for reuse (a
        // press on one is over: it cannot turn into a drag of another item).
        const int page = viewHeight / rowHeight_ + 1;
        for (auto it = rows_.begin(); it != rows_.end();) {
            BrowserRow* row = it.value();
            if (row->index() < first - page || row->index() > last + page) {
                spare_.push_back(row);
                it = rows_.erase(it);
            } else {
                ++it;
            }
        }
    }
    const int width = content_->width();
    const auto place = [&](BrowserRow* row) {
        const QRect geometry(0, row->index() * rowHeight_, width, rowHeight_);
        if (row->geometry() != geometry)
            row->setGeometry(geometry);
        if (row->isHidden())
            row->show();
    };
    // Every row moves when the list or the width changed; otherwise only the
    // rows shown now are placed.
    const bool moved = width != placedWidth_ || placedFiles_ != files_.size() || !isPlaced_;
    // The rows kept, by their first index: rows taken now go before or after
    // them among the list's children, which stay in display order (the
    // order a screen reader goes through them).
    BrowserRow* keptFirst = nullptr;
    for (BrowserRow* row : std::as_const(rows_)) {
        if (!keptFirst || row->index() < keptFirst->index())
            keptFirst = row;
    }
    bool taken = false;
    for (int index = first; index <= last; ++index) {
        if (rows_.contains(files_[std::size_t(index)]->id()))
            continue;
        BrowserRow* row = rowFor(index);
        taken = true;
        if (keptFirst && index < keptFirst->index())
            row->stackUnder(keptFirst);
        else
            row->raise();
        if (!moved)
            place(row);
    }
    for (BrowserRow* spare : spare_) {
        if (!spare->isHidden())
            spare->hide();
    }
    if (moved) {
        for (BrowserRow* row : std::as_const(rows_))
            place(row);
        placedWidth_ = width;
        placedFiles_ = files_.size();
        isPlaced_ = true;
    }
    if (taken || moved)
        keepChildrenInOrder();
}

void BrowserMediaList::keepChildrenInOrder()
{
    int previous = -1;
    for (QObject* child : content_->children()) {
        auto* row = qobject_cast<BrowserRow*>(child);
        if (!row || rows_.value(row->file()->id()) != row)
            continue;
        if (row->index() < previous) {
            // A change of the list reordered them: every row goes to its place.
            for (BrowserRow* shown : rows())
                shown->raise();
            return;
        }
        previous = row->index();
    }
}

void BrowserMediaList::setSelection(const QSet<QUuid>& ids)
{
    selection_ = ids;
    for (auto it = rows_.cbegin(); it != rows_.cend(); ++it)
        it.value()->setSelected(ids.contains(it.key()));
}

std::vector<BrowserRow*> BrowserMediaList::rows() const
{
    std::vector<BrowserRow*> result;
    result.reserve(std::size_t(rows_.size()));
    for (BrowserRow* row : rows_)
        result.push_back(row);
    std::sort(result.begin(), result.end(), [](const BrowserRow* a, const BrowserRow* b) {
        return a->index() < b->index();
    });
    return result;
}

bool BrowserMediaList::showsEmptyHint() const { return currentWidget() == empty_; }

} // namespace tessarin

#include "ui/schedule/ScheduleColumnView.h"

#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaDrop.h"
#include "media/MediaFile.h"
#include "media/SourceLibrary.h"
#include "platform/Clock.h"
#include "platform/Icons.h"
#include "show/BrowserFiles.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/SectionTitle.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleAutomationBar.h"
#include "ui/schedule/ScheduleEventEditor.h"
#include "ui/schedule/ScheduleLocalTime.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {

// A timer may fire a hair before the second it was armed for; the instant
// still counts as that second.
constexpr double kEarlyTolerance = 0.002;
// What a dropped live source may stay on air without another limit.
constexpr double kDroppedLiveDuration = 1800.0;

} // namespace

ScheduleColumnView::ScheduleColumnView(ScheduleController& schedule, PlaylistEngine& engine, SourceLibrary& sources,
                                       const BrowserFiles& browserFiles, QWidget* parent)
    : QWidget(parent)
    , schedule_(schedule)
    , engine_(engine)
    , sources_(sources)
    , browserFiles_(browserFiles)
    , newEvent_(new PillButton(tr("Nuovo evento"), PillButtonStyle{Theme::accent(), true}))
    , automationBar_(new ScheduleAutomationBar(schedule))
    , scroll_(new QScrollArea)
    , list_(new QWidget)
    , listLayout_(new QVBoxLayout(list_))
    , hint_(new QLabel(list_))
    , timeline_(schedule.clock().createTimer([this] { tick(); }, true))
{
    setAcceptDrops(true);

    auto* header = new HeaderFill(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(10, 8, 10, 8);
    headerLayout->addWidget(new SectionTitle(tr("Palinsesto"), QStringLiteral("calendar.badge.clock"), header));
    headerLayout->addStretch();
    newEvent_->setIconSize(QSize(13, 13));
    newEvent_->setIcon(Icons::icon(QStringLiteral("plus"), Theme::black(0.85), 13));
    setHelp(newEvent_, tr("Aggiungi un evento al palinsesto"));
    headerLayout->addWidget(newEvent_);

    hint_->setText(tr("Nessun evento. Trascina qui file o sorgenti live dal Browser, oppure usa “Nuovo evento”: "
                      "scegli un file, una diretta o un blocco e quando mandarlo in onda (a un orario preciso, a "
                      "seguire del precedente, oppure a mano)."));
    hint_->setWordWrap(true);
    hint_->setTextFormat(Qt::PlainText);
    hint_->setFont(Theme::font(12));
    hint_->setContentsMargins(12, 12, 12, 12);
    setTextColor(hint_, Theme::textSecondary());

    listLayout_->setContentsMargins(0, 0, 0, 0);
    listLayout_->setSpacing(0);
    listLayout_->addWidget(hint_);
    listLayout_->addStretch();
    list_->setAutoFillBackground(false);
    scroll_->setWidget(list_);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    useThinScrollBars(*scroll_);
    scroll_->viewport()->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(new ColorLine(this));
    automationBar_->setParent(this);
    layout->addWidget(automationBar_);
    layout->addWidget(new ColorLine(this));
    layout->addWidget(scroll_, 1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    connect(newEvent_, &QAbstractButton::clicked, this, [this] { edit(newEvent()); });
    connect(&schedule_, &ScheduleController::changed, this, &ScheduleColumnView::refresh);
    connect(&engine_, &PlaylistEngine::blocksChanged, this, &ScheduleColumnView::refresh);
    connect(&engine_, &PlaylistEngine::currentBlockIDChanged, this, &ScheduleColumnView::refresh);
    connect(&engine_, &PlaylistEngine::isPlayingChanged, this, &ScheduleColumnView::refresh);
    refresh();
}

ScheduleColumnView::~ScheduleColumnView() = default;

QSize ScheduleColumnView::sizeHint() const
{
    return { minimumSizeHint().width(), QWidget::sizeHint().height() };
}

double ScheduleColumnView::wholeSecondNow() const
{
    return std::floor(schedule_.now() + kEarlyTolerance);
}

// ---- the timeline

void ScheduleColumnView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    tick();
}

void ScheduleColumnView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    timeline_->stop();
}

void ScheduleColumnView::tick()
{
    refresh();
    // Re-armed for the next whole second of the calendar clock each time, so
    // the redraws stay on the second however late a tick comes.
    const double wall = schedule_.now();
    const double next = std::floor(wall + kEarlyTolerance) + 1.0;
    timeline_->start(std::clamp(next - wall, 0.001, 1.0 + kEarlyTolerance));
}

void ScheduleColumnView::refresh()
{
    const double now = wholeSecondNow();
    shownNow_ = now;
    automationBar_->refresh(now);
    refreshRows(now);
}

void ScheduleColumnView::refreshRows(double now)
{
    const auto& events = schedule_.events();
    // One pass over the list for the planned starts, one lookup per row.
    const auto planned = schedule_.plannedStartList(now);
    // Looked up once: finding the system's zone reads the file system.
    const ScheduleCalendar calendar = schedule_.calendar();
    const int count = int(events.size());
    QHash<QUuid, std::shared_ptr<MediaBlock>> blocks;
    for (const auto& block : engine_.blocks())
        blocks.insert(block->id(), block);
    // A block's figures go over its items: once per block, not per event.
    struct BlockFigures {
        std::optional<double> duration;
        bool isLive = false;
    };
    QHash<const MediaBlock*, BlockFigures> figures;
    const QColor dark = Theme::rowDark();
    const QColor light = Theme::rowLight();

    // The rows stay the same while the list holds the same ids in the same
    // order (every tick, most edits): then no row is looked up by id.
    const bool sameList = std::size_t(count) == order_.size()
        && std::equal(events.begin(), events.end(), orderIDs_.begin(), orderIDs_.end(),
                      [](const ScheduleEvent& event, const QUuid& id) { return event.id == id; });
    QHash<RowKey, ScheduleRowView*> kept;
    QHash<QUuid, int> occurrences;
    std::vector<ScheduleRowView*> order;
    if (!sameList) {
        kept.reserve(count);
        occurrences.reserve(count);
        order.reserve(std::size_t(count));
    }
    for (int index = 0; index < count; ++index) {
        const ScheduleEvent& event = events[std::size_t(index)];
        ScheduleRowView* row = nullptr;
        if (sameList) {
            row = order_[std::size_t(index)];
        } else {
            const RowKey key(event.id, occurrences[event.id]++);
            row = rows_.take(key);
            if (!row) {
                row = new ScheduleRowView(schedule_, list_);
                connect(row, &ScheduleRowView::editRequested, this, [this, row] { edit(row->content().event); });
            }
            kept.insert(key, row);
            order.push_back(row);
        }

        ScheduleRowView::Content content;
        content.event = event;
        content.index = index;
        content.count = count;
        if (event.media)
            content.block = schedule_.block(event);
        else if (event.blockID)
            content.block = blocks.value(*event.blockID);
        if (const MediaBlock* block = content.block.get()) {
            auto it = figures.find(block);
            if (it == figures.end())
                it = figures.insert(block, {block->plannedDuration(), block->hasLiveSource()});
            content.blockDuration = it->duration;
            content.blockIsLive = it->isLive;
        }
        content.status = status(event, content.block != nullptr, now, calendar);
        content.plannedStart = planned[std::size_t(index)];
        content.background = index % 2 == 0 ? dark : light;
        row->setContent(content, calendar);
        if (!sameList && row->isHidden())
            row->show();
    }
    hint_->setVisible(events.empty());
    if (sameList)
        return;
    // Rows of events that are gone. Deleted later: the row's own menu may
    // be what removed its event.
    for (ScheduleRowView* row : std::as_const(rows_)) {
        row->hide();
        row->deleteLater();
    }
    rows_ = std::move(kept);
    // The layout holds the hint, the rows in list order, then the stretch.
    // It is laid out again only when that order changed (an event added,
    // removed or moved), in one pass from the end.
    if (order != order_) {
        while (listLayout_->count() > 2)
            delete listLayout_->takeAt(listLayout_->count() - 2);
        for (std::size_t i = 0; i < order.size(); ++i)
            listLayout_->insertWidget(int(i) + 1, order[i]);
        order_ = std::move(order);
    }
    orderIDs_.clear();
    orderIDs_.reserve(events.size());
    for (const ScheduleEvent& event : events)
        orderIDs_.push_back(event.id);
}

ScheduleRowView::Status ScheduleColumnView::status(const ScheduleEvent& event, double now) const
{
    return status(event, schedule_.block(event) != nullptr, now, schedule_.calendar());
}

ScheduleRowView::Status ScheduleColumnView::status(const ScheduleEvent& event, bool hasBlock, double now,
                                                   const ScheduleCalendar& calendar) const
{
    using Status = ScheduleRowView::Status;
    if (!hasBlock)
        return Status::missingBlock;
    if (schedule_.isRunning(event))
        return Status::running;
    if (!event.isEnabled)
        return Status::disabled;
    const bool started = schedule_.started().count(event.id) > 0;
    if (event.start != ScheduleEvent::Start::fixed)
        return started ? Status::done : Status::waiting;
    if (event.repeats != ScheduleEvent::Repeat::none)
        return Status::waiting;
    if (!ScheduleClock::latestOccurrence(event, now, calendar))
        return Status::waiting;
    return started ? Status::done : Status::missed;
}

// ---- new events

double ScheduleColumnView::nextMinute() const
{
    const double now = std::floor(schedule_.now());
    const auto local = ScheduleLocalTime::toLocal(now, schedule_.calendar());
    return now + (60 - (local ? local->second : 0));
}

ScheduleEvent ScheduleColumnView::newEvent() const
{
    ScheduleEvent event;
    event.id = QUuid::createUuid();
    if (!engine_.blocks().empty())
        event.blockID = engine_.blocks().front()->id();
    event.start = schedule_.events().empty() ? ScheduleEvent::Start::fixed : ScheduleEvent::Start::follow;
    event.date = nextMinute();
    event.repeats = ScheduleEvent::Repeat::none;
    event.isEnabled = true;
    return event;
}

void ScheduleColumnView::addDropped(const std::vector<std::shared_ptr<MediaFile>>& items)
{
    for (const auto& item : items) {
        if (!item)
            continue;
        const bool wasEmpty = schedule_.events().empty();
        ScheduleEvent event;
        event.id = QUuid::createUuid();
        event.start = wasEmpty ? ScheduleEvent::Start::fixed : ScheduleEvent::Start::follow;
        event.date = nextMinute();
        event.repeats = ScheduleEvent::Repeat::none;
        event.isEnabled = true;
        if (item->liveSource())
            event.duration = kDroppedLiveDuration;
        event.media = item;
        auto events = schedule_.events();
        events.push_back(std::move(event));
        schedule_.setEvents(std::move(events));
    }
}

// ---- the editor sheet

void ScheduleColumnView::edit(const ScheduleEvent& event)
{
    if (editor_)
        return;
    const auto& events = schedule_.events();
    const bool isNew = std::none_of(events.begin(), events.end(), [&](const auto& e) { return e.id == event.id; });
    QPointer<ScheduleColumnView> self(this);
    auto onSave = [self](const ScheduleEvent& saved) {
        if (!self)
            return;
        const auto& list = self->schedule_.events();
        if (std::any_of(list.begin(), list.end(), [&](const auto& e) { return e.id == saved.id; }))
            self->schedule_.update(saved);
        else
            self->schedule_.add(saved);
    };
    editor_ = new ScheduleEventEditor(event, engine_, sources_, browserFiles_, isNew, schedule_.calendar(),
                                      std::move(onSave), this);
    if (fileChooser_)
        editor_->setFileChooser(fileChooser_);
    connect(editor_, &QDialog::finished, this, [this, editor = editor_] {
        if (editor_ == editor)
            editor_ = nullptr;
        if (editor)
            editor->deleteLater();
    });
    editor_->open();
}

ScheduleEventEditor* ScheduleColumnView::editor() const
{
    return editor_;
}

void ScheduleColumnView::setFileChooser(MediaFileChooser chooser)
{
    fileChooser_ = std::move(chooser);
}

// ---- drops of files and live sources

void ScheduleColumnView::setDropTargeted(bool targeted)
{
    if (isDropTargeted_ == targeted)
        return;
    isDropTargeted_ = targeted;
    update();
}

void ScheduleColumnView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData() || !MediaDrop::canAccept(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropTargeted(true);
}

void ScheduleColumnView::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ScheduleColumnView::dragLeaveEvent(QDragLeaveEvent* event)
{
    QWidget::dragLeaveEvent(event);
    setDropTargeted(false);
}

void ScheduleColumnView::dropEvent(QDropEvent* event)
{
    setDropTargeted(false);
    if (!event->mimeData()) {
        event->ignore();
        return;
    }
    // The drag's data is copied now: it is gone once the drop returns.
    std::vector<DropItem> items = MediaDrop::items(*event->mimeData());
    if (!MediaDrop::canAccept(items)) {
        event->ignore();
        return;
    }
    QPointer<ScheduleColumnView> self(this);
    MediaDrop::loadItems(std::move(items), [self](std::vector<std::shared_ptr<MediaFile>> loaded) {
        if (self)
            self->addDropped(loaded);
    });
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

// ---- looks

void ScheduleColumnView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), isDropTargeted_ ? Theme::withAlpha(Theme::accent(), 0.12) : Theme::panel());
}

QList<ScheduleRowView*> ScheduleColumnView::rows() const
{
    QList<ScheduleRowView*> result;
    for (int i = 0; i < listLayout_->count(); ++i) {
        if (auto* row = qobject_cast<ScheduleRowView*>(listLayout_->itemAt(i)->widget()))
            result << row;
    }
    return result;
}

bool ScheduleColumnView::showsHint() const
{
    return !hint_->isHidden();
}

} // namespace tessarin

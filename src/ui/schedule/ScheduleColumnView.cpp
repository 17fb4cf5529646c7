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
#include "ui/schedule/ScheduleEventList.h"
#include "ui/schedule/ScheduleEventModel.h"
#include "ui/schedule/ScheduleLocalTime.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
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
    , model_(new ScheduleEventModel(schedule, engine, this))
    , list_(new ScheduleEventList(*model_))
    , hint_(new QLabel)
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
    hint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hint_->setAutoFillBackground(true);
    setTextColor(hint_, Theme::textSecondary());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(new ColorLine(this));
    automationBar_->setParent(this);
    layout->addWidget(automationBar_);
    layout->addWidget(new ColorLine(this));
    layout->addWidget(hint_, 1);
    layout->addWidget(list_, 1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    connect(newEvent_, &QAbstractButton::clicked, this, [this] { edit(newEvent()); });
    connect(list_, &ScheduleEventList::launchRequested, this, [this](int row) {
        schedule_.launch(model_->row(row).content.event, schedule_.now());
    });
    connect(list_, &ScheduleEventList::editRequested, this, [this](int row) { edit(model_->row(row).content.event); });
    connect(list_, &ScheduleEventList::menuRequested, this, &ScheduleColumnView::openRowMenu);
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
    model_->refresh(now);
    const bool empty = model_->rowCount() == 0;
    hint_->setVisible(empty);
    list_->setVisible(!empty);
}

QMenu* ScheduleColumnView::makeRowMenu(int row)
{
    auto* menu = new QMenu(this);
    if (row < 0 || row >= model_->rowCount())
        return menu;
    const ScheduleRow::Content& content = model_->row(row).content;
    // Each action works on the copy of the event the row shows now.
    const ScheduleEvent event = content.event;
    QAction* launch = menu->addAction(ScheduleRow::tr("Manda in onda adesso"));
    launch->setEnabled(content.block != nullptr);
    connect(launch, &QAction::triggered, this, [this, event] { schedule_.launch(event, schedule_.now()); });
    menu->addSeparator();
    connect(menu->addAction(ScheduleRow::tr("Modifica…")), &QAction::triggered, this, [this, event] { edit(event); });
    connect(menu->addAction(event.isEnabled ? ScheduleRow::tr("Disattiva") : ScheduleRow::tr("Attiva")),
            &QAction::triggered, this, [this, event] {
                ScheduleEvent toggled = event;
                toggled.isEnabled = !toggled.isEnabled;
                schedule_.update(toggled);
            });
    menu->addSeparator();
    QAction* up = menu->addAction(ScheduleRow::tr("Sposta su"));
    up->setEnabled(content.index != 0);
    connect(up, &QAction::triggered, this, [this, event] { schedule_.moveEvent(event, -1); });
    QAction* down = menu->addAction(ScheduleRow::tr("Sposta giù"));
    down->setEnabled(content.index != content.count - 1);
    connect(down, &QAction::triggered, this, [this, event] { schedule_.moveEvent(event, 1); });
    menu->addSeparator();
    connect(menu->addAction(ScheduleRow::tr("Elimina")), &QAction::triggered, this,
            [this, event] { schedule_.remove(event); });
    return menu;
}

void ScheduleColumnView::openRowMenu(int row, const QPoint& at)
{
    QMenu* menu = makeRowMenu(row);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(at);
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
    // One change of the list for the whole drop: the schedule, the column
    // and the show's change count each hear of it once.
    auto events = schedule_.events();
    const std::size_t before = events.size();
    const double date = nextMinute();
    for (const auto& item : items) {
        if (!item)
            continue;
        ScheduleEvent event;
        event.id = QUuid::createUuid();
        event.start = events.empty() ? ScheduleEvent::Start::fixed : ScheduleEvent::Start::follow;
        event.date = date;
        event.repeats = ScheduleEvent::Repeat::none;
        event.isEnabled = true;
        if (item->liveSource())
            event.duration = kDroppedLiveDuration;
        event.media = item;
        events.push_back(std::move(event));
    }
    if (events.size() != before)
        schedule_.setEvents(std::move(events));
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

bool ScheduleColumnView::showsHint() const
{
    return !hint_->isHidden();
}

} // namespace tessarin

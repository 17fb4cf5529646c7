#include "ui/schedule/ScheduleEventEditor.h"

#include "engine/PlaylistEngine.h"
#include "media/SourceLibrary.h"
#include "platform/MainThread.h"
#include "show/BrowserFiles.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"
#include "ui/kit/SecondaryWindow.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleEventDraft.h"
#include "ui/schedule/ScheduleFormat.h"
#include "ui/schedule/ScheduleLocalTime.h"
#include "ui/schedule/ScheduleTimeFields.h"

#include <QApplication>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tessarin {

namespace {

constexpr int kWidth = 440;
constexpr int kPadding = 22;

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = Theme::font(10, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.1);
    label->setFont(font);
    setTextColor(label, Theme::textSecondary());
    return label;
}

QLabel* explanation(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setFont(Theme::font(10));
    return label;
}

QVBoxLayout* section(int spacing)
{
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// The day field is one Tab stop: Tab leaves it instead of walking its
// sections (weekday, day, month), which the arrows and the calendar reach.
class DayEdit final : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

} // namespace

ScheduleEventEditor::ScheduleEventEditor(const ScheduleEvent& event, PlaylistEngine& engine, SourceLibrary& sources,
                                         const BrowserFiles& browserFiles, bool isNew,
                                         const ScheduleCalendar& calendar, OnSave onSave, QWidget* parent)
    : QDialog(parent)
    , engine_(engine)
    , isNew_(isNew)
    , calendar_(calendar)
    , onSave_(std::move(onSave))
    , draft_(new ScheduleEventDraft(event, this))
{
    setWindowModality(Qt::WindowModal);
    secondary_window::closeWithCtrlW(*this);
    setWindowTitle(isNew_ ? tr("Nuovo evento") : tr("Modifica evento"));
    build(browserFiles, sources);

    connect(draft_, &ScheduleEventDraft::changed, this, &ScheduleEventEditor::refresh);
    connect(&engine_, &PlaylistEngine::blocksChanged, this, &ScheduleEventEditor::refresh);
    connect(&sources, &SourceLibrary::changed, this, &ScheduleEventEditor::refresh);
    connect(&browserFiles, &BrowserFiles::changed, this, &ScheduleEventEditor::refresh);
    refresh();
}

ScheduleEventEditor::~ScheduleEventEditor() = default;

BlockPicker::Blocks ScheduleEventEditor::blocks() const
{
    return engine_.blocks();
}

void ScheduleEventEditor::build(const BrowserFiles& browserFiles, SourceLibrary& sources)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(16);

    title_ = new QLabel(isNew_ ? tr("Nuovo evento") : tr("Modifica evento"), this);
    title_->setFont(Theme::font(15, QFont::Bold));
    layout->addWidget(title_);

    // What goes on air.
    auto* contentSection = section(8);
    contentSection->addWidget(heading(tr("COSA MANDARE IN ONDA"), this));
    content_ = new SegmentedControl(this);
    content_->setAccessibleName(tr("Contenuto"));
    for (const auto kind : ScheduleEventDraft::allContentKinds())
        content_->addSegment(ScheduleEventDraft::label(kind));
    contentSection->addWidget(content_);
    // Made in the order they are shown, which is the order Tab goes through.
    blockPicker_ = new BlockPicker(*draft_, [this] { return blocks(); }, this);
    filePicker_ = new FilePicker(*draft_, browserFiles, this);
    livePicker_ = new LivePicker(*draft_, sources, this);
    contentSection->addWidget(blockPicker_);
    contentSection->addWidget(filePicker_);
    contentSection->addWidget(livePicker_);
    layout->addLayout(contentSection);
    connect(content_, &SegmentedControl::activated, this, [this](int index) {
        draft_->setContentKind(ScheduleEventDraft::allContentKinds().value(index));
    });

    // How it starts.
    auto* startSection = section(6);
    startSection->addWidget(heading(tr("PARTENZA"), this));
    start_ = new SegmentedControl(this);
    start_->setAccessibleName(tr("Partenza"));
    for (const auto start : ScheduleEvent::allStarts())
        start_->addSegment(ScheduleEvent::label(start));
    startSection->addWidget(start_);
    startExplanation_ = explanation(this);
    setTextColor(startExplanation_, Theme::textSecondary());
    startSection->addWidget(startExplanation_);
    layout->addLayout(startSection);
    connect(start_, &SegmentedControl::activated, this,
            [this](int index) { draft_->setStart(ScheduleEvent::allStarts().value(index)); });

    // Day, time of day and repetition of a fixed start.
    fixedSection_ = new QWidget(this);
    auto* fixedLayout = new QVBoxLayout(fixedSection_);
    fixedLayout->setContentsMargins(0, 0, 0, 0);
    fixedLayout->setSpacing(10);
    auto* dayAndTime = new QHBoxLayout;
    dayAndTime->setSpacing(16);
    auto* dayColumn = section(6);
    dayColumn->addWidget(heading(tr("GIORNO"), fixedSection_));
    date_ = new DayEdit(fixedSection_);
    date_->setAccessibleName(tr("Giorno"));
    date_->setCalendarPopup(true);
    date_->setLocale(ScheduleFormat::locale());
    // The day as the schedule's rows write it; the calendar shows the year.
    date_->setDisplayFormat(ScheduleFormat::dayPattern());
    // Room for the longest day text (a long month name) and the arrow.
    const QString longest = date_->locale().toString(QDate(2024, 9, 30), date_->displayFormat());
    date_->setMinimumWidth(date_->fontMetrics().horizontalAdvance(longest) + 44);
    dayColumn->addWidget(date_);
    dayColumn->addStretch();
    auto* timeColumn = section(6);
    timeColumn->addWidget(heading(tr("ORA (ORE : MINUTI : SECONDI)"), fixedSection_));
    time_ = new TimeOfDayFields(fixedSection_);
    timeColumn->addWidget(time_);
    timeColumn->addStretch();
    dayAndTime->addLayout(dayColumn);
    dayAndTime->addLayout(timeColumn);
    dayAndTime->addStretch();
    fixedLayout->addLayout(dayAndTime);
    auto* repeatColumn = section(6);
    repeatColumn->addWidget(heading(tr("RIPETIZIONE"), fixedSection_));
    repeat_ = new SegmentedControl(fixedSection_);
    repeat_->setAccessibleName(tr("Ripetizione"));
    for (const auto repeat : ScheduleEvent::allRepeats())
        repeat_->addSegment(ScheduleEvent::label(repeat));
    repeatColumn->addWidget(repeat_);
    fixedLayout->addLayout(repeatColumn);
    layout->addWidget(fixedSection_);
    connect(date_, &QDateEdit::dateChanged, this, [this](QDate day) {
        auto local = ScheduleLocalTime::toLocal(draft_->event().date, calendar_);
        if (!local || !day.isValid())
            return;
        local->date = day;
        if (const auto date = ScheduleLocalTime::fromLocal(*local, calendar_))
            draft_->setDate(*date);
    });
    connect(time_, &TimeOfDayFields::dateEdited, this, [this](double date) { draft_->setDate(date); });
    connect(repeat_, &SegmentedControl::activated, this,
            [this](int index) { draft_->setRepeats(ScheduleEvent::allRepeats().value(index)); });

    // The maximum time on air.
    auto* durationSection = section(8);
    durationSection->addWidget(heading(tr("DURATA MASSIMA"), this));
    auto* durationRow = new QHBoxLayout;
    durationRow->setSpacing(14);
    auto* switchRow = new QHBoxLayout;
    switchRow->setSpacing(6);
    limit_ = new SwitchButton(tr("Limita la durata"), this);
    auto* limitLabel = new QLabel(tr("Limita la durata"), this);
    limitLabel->setFont(Theme::font(13));
    limitLabel->setBuddy(limit_);
    switchRow->addWidget(limit_);
    switchRow->addWidget(limitLabel);
    durationRow->addLayout(switchRow);
    duration_ = new DurationFields(this);
    durationRow->addWidget(duration_);
    durationRow->addStretch();
    durationSection->addLayout(durationRow);
    durationExplanation_ = explanation(this);
    durationSection->addWidget(durationExplanation_);
    layout->addLayout(durationSection);
    connect(limit_, &QAbstractButton::clicked, this, [this](bool on) { draft_->setLimited(on); });
    connect(duration_, &DurationFields::secondsEdited, this, [this](double seconds) { draft_->setDuration(seconds); });

    // Cancel and confirm.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cancel_ = new QPushButton(tr("Annulla"), this);
    cancel_->setAutoDefault(false);
    confirm_ = new QPushButton(isNew_ ? tr("Aggiungi") : tr("Salva"), this);
    confirm_->setDefault(true);
    buttons->addWidget(cancel_);
    buttons->addWidget(confirm_);
    layout->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(confirm_, &QPushButton::clicked, this, &ScheduleEventEditor::save);

    setFixedWidth(kWidth);
}

void ScheduleEventEditor::setFileChooser(MediaFileChooser chooser)
{
    filePicker_->setFileChooser(std::move(chooser));
}

void ScheduleEventEditor::refresh()
{
    const ScheduleEvent& event = draft_->event();
    const auto blocks = this->blocks();
    const auto kind = draft_->contentKind();

    content_->setCurrentIndex(int(ScheduleEventDraft::allContentKinds().indexOf(kind)));
    blockPicker_->setVisible(kind == ScheduleEventDraft::ContentKind::block);
    filePicker_->setVisible(kind == ScheduleEventDraft::ContentKind::file);
    livePicker_->setVisible(kind == ScheduleEventDraft::ContentKind::live);
    if (kind == ScheduleEventDraft::ContentKind::block)
        blockPicker_->refresh();
    else if (kind == ScheduleEventDraft::ContentKind::file)
        filePicker_->refresh();
    else
        livePicker_->refresh();

    start_->setCurrentIndex(int(ScheduleEvent::allStarts().indexOf(event.start)));
    startExplanation_->setText(draft_->startExplanation());

    const bool fixed = event.start == ScheduleEvent::Start::fixed;
    fixedSection_->setVisible(fixed);
    if (fixed) {
        if (const auto local = ScheduleLocalTime::toLocal(event.date, calendar_)) {
            const QSignalBlocker blocker(date_);
            date_->setDate(local->date);
        }
        time_->setDate(event.date, calendar_);
        repeat_->setCurrentIndex(int(ScheduleEvent::allRepeats().indexOf(event.repeats)));
    }

    limit_->setChecked(event.duration.has_value());
    duration_->setVisible(event.duration.has_value());
    if (event.duration)
        duration_->setSeconds(*event.duration);
    durationExplanation_->setText(draft_->durationExplanation(blocks));
    setTextColor(durationExplanation_, draft_->durationWarns(blocks) ? Theme::cue() : Theme::textSecondary());

    confirm_->setEnabled(draft_->canSave(blocks) && !saving_);
    fitHeight();
}

void ScheduleEventEditor::fitHeight()
{
    QLayout* layout = this->layout();
    layout->activate();
    const int height = layout->hasHeightForWidth() ? layout->totalHeightForWidth(kWidth) : layout->totalSizeHint().height();
    setFixedHeight(height);
}

void ScheduleEventEditor::save()
{
    if (saving_ || !draft_->canSave(blocks()))
        return;
    saving_ = true;
    // A number field being typed in commits when it loses the focus.
    if (QWidget* focused = QApplication::focusWidget(); focused && isAncestorOf(focused))
        focused->clearFocus();
    QPointer<ScheduleEventEditor> self(this);
    postToMain([self] {
        if (!self)
            return;
        const ScheduleEvent event = self->draft_->finished();
        if (self->onSave_)
            self->onSave_(event);
        self->accept();
    });
}

QString ScheduleEventEditor::title() const
{
    return title_->text();
}

QString ScheduleEventEditor::startExplanation() const
{
    return startExplanation_->text();
}

QString ScheduleEventEditor::durationExplanation() const
{
    return durationExplanation_->text();
}

} // namespace tessarin

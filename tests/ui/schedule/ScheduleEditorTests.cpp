// The event editor sheet as the schedule column presents it: saving adds a
// new event or replaces an edited one, cancelling changes nothing, and the
// content pickers fill the working copy as the operator chooses.
#include "ScheduleViewFixture.h"

#include "ui/browser/AddSourceView.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleEventDraft.h"
#include "ui/schedule/ScheduleEventEditor.h"
#include "ui/schedule/ScheduleTimeFields.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace tessarin;
using namespace tessarin::test;
using Start = ScheduleEvent::Start;
using Kind = ScheduleEventDraft::ContentKind;

namespace {

class ScheduleEditorTest : public ScheduleViewTest {
protected:
    ScheduleEventEditor& open(const ScheduleEvent& e)
    {
        column->edit(e);
        EXPECT_NE(column->editor(), nullptr);
        return *column->editor();
    }

    // Closes the sheet the way the event loop would finish it.
    void settle() { drainMainQueue(); }

    static QStringList items(QComboBox* combo)
    {
        QStringList result;
        for (int i = 0; i < combo->count(); ++i)
            result << combo->itemText(i);
        return result;
    }

    static void choose(QComboBox* combo, const QString& text)
    {
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
};

} // namespace

TEST_F(ScheduleEditorTest, SavingAddsANewEventOrReplacesTheEditedOneAndCancelChangesNothing)
{
    auto news = block("News", {file("news", 600)});
    block("Film", {file("film", 1200)});
    makeColumn();
    clock.setWallNow(kEightPM + 899.9); // 20:14:59.9

    QTest::mouseClick(column->newEventButton(), Qt::LeftButton);
    ScheduleEventEditor* editor = column->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->title(), "Nuovo evento");
    EXPECT_EQ(editor->confirmButton()->text(), "Aggiungi");
    EXPECT_EQ(editor->contentControl()->currentIndex(), 0) << "a block";
    EXPECT_EQ(editor->blockPicker()->comboBox()->currentText(), "News");
    EXPECT_EQ(editor->draft().event().start, Start::fixed);
    EXPECT_EQ(editor->draft().event().date, kEightPM + 900) << "20:15:00";
    EXPECT_TRUE(editor->confirmButton()->isEnabled());
    EXPECT_EQ(editor->timeFields()->field(1)->text(), "15");

    // A minute typed and confirmed with Return without leaving the field.
    TwoDigitField* minutes = editor->timeFields()->field(1);
    minutes->selectAll();
    QTest::keyClicks(minutes, "16");
    QTest::keyClick(minutes, Qt::Key_Return);
    settle();
    ASSERT_EQ(schedule->events().size(), 1u);
    const ScheduleEvent added = schedule->events()[0];
    EXPECT_EQ(added.date, kEightPM + 960);
    EXPECT_EQ(added.blockID, news->id());
    EXPECT_FALSE(added.media);
    EXPECT_EQ(column->editor(), nullptr);

    // The next proposal follows; cancelling it leaves the schedule alone.
    QTest::mouseClick(column->newEventButton(), Qt::LeftButton);
    ASSERT_NE(column->editor(), nullptr);
    EXPECT_EQ(column->editor()->draft().event().start, Start::follow);
    QTest::mouseClick(column->editor()->cancelButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(column->editor(), nullptr);
    EXPECT_EQ(schedule->events().size(), 1u);

    // Editing keeps the id, the place in the list and the enabled flag.
    ScheduleEvent disabled = added;
    disabled.isEnabled = false;
    schedule->update(disabled);
    schedule->add(event(Start::manual, news));
    QTest::mouseDClick(column->list()->viewport(), Qt::LeftButton, {}, rectOf(added).topLeft() + QPoint(200, 20));
    editor = column->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->title(), "Modifica evento");
    EXPECT_EQ(editor->confirmButton()->text(), "Salva");
    QTest::mouseClick(editor->startControl()->segment(2), Qt::LeftButton);
    EXPECT_TRUE(editor->fixedSection()->isHidden());
    EXPECT_EQ(editor->startExplanation(), "Non parte da solo: lo avvii tu con il pulsante Play della riga.");
    QTest::mouseClick(editor->confirmButton(), Qt::LeftButton);
    settle();
    ASSERT_EQ(schedule->events().size(), 2u);
    const ScheduleEvent& edited = schedule->events()[0];
    EXPECT_EQ(edited.id, added.id);
    EXPECT_EQ(edited.start, Start::manual);
    EXPECT_EQ(edited.date, added.date) << "the hidden day and time are kept";
    EXPECT_FALSE(edited.isEnabled);
    EXPECT_EQ(rowOf(added).time, "MANUALE");
}

TEST_F(ScheduleEditorTest, TheBlockPickerGuardsSavingAndPresetsALimitForLiveBlocks)
{
    makeColumn();
    ScheduleEventEditor* editor = &open(column->newEvent());
    EXPECT_EQ(editor->blockPicker()->comboBox()->placeholderText(), "Nessun blocco: creane uno");
    EXPECT_FALSE(editor->confirmButton()->isEnabled()) << "a show without blocks";
    QTest::keyClick(editor, Qt::Key_Escape);
    settle();
    EXPECT_EQ(column->editor(), nullptr);

    auto news = block("News", {file("news", 600)});
    auto studio = block("Studio", {MediaFile::create(liveSource(LiveSourceKind::rtmp, "Cam", "rtmp://cam"))});
    const ScheduleEvent e = event(Start::manual, news);
    schedule->add(e);
    editor = &open(e);
    engine->removeBlock(news); // deleted while the sheet is open
    EXPECT_EQ(editor->blockPicker()->comboBox()->currentIndex(), -1);
    EXPECT_EQ(editor->blockPicker()->comboBox()->placeholderText(), "Scegli un blocco");
    EXPECT_EQ(items(editor->blockPicker()->comboBox()), QStringList{"Studio · diretta"});
    EXPECT_FALSE(editor->confirmButton()->isEnabled());

    choose(editor->blockPicker()->comboBox(), "Studio · diretta");
    EXPECT_TRUE(editor->confirmButton()->isEnabled());
    // A name too long for the sheet ends with an ellipsis, whole in the tip.
    studio->setName(QStringLiteral("Collegamento dallo studio principale della sala grande con la regia mobile"));
    editor->blockPicker()->refresh();
    QApplication::processEvents();
    const QString whole = studio->name() + QStringLiteral(" · diretta");
    EXPECT_TRUE(editor->blockPicker()->comboBox()->shownText().endsWith(QChar(0x2026)));
    EXPECT_EQ(editor->blockPicker()->comboBox()->toolTip(), whole);
    EXPECT_LE(editor->blockPicker()->comboBox()->geometry().right(), editor->width());
    EXPECT_EQ(editor->draft().event().duration, 1800.0) << "a live block gets a 30-minute limit";
    EXPECT_FALSE(editor->durationFields()->isHidden());
    EXPECT_EQ(editor->durationFields()->field(1)->text(), "30");

    // Without a limit, a live block warns that it never ends.
    QTest::mouseClick(editor->limitSwitch(), Qt::LeftButton);
    EXPECT_FALSE(editor->draft().event().duration.has_value());
    EXPECT_TRUE(editor->durationFields()->isHidden());
    EXPECT_TRUE(editor->durationExplanation().startsWith("Una diretta non ha una fine"));
    QTest::mouseClick(editor->limitSwitch(), Qt::LeftButton);
    EXPECT_EQ(editor->draft().event().duration, 1800.0);

    // Every field at zero stores one second, never nothing.
    for (int i = 0; i < 3; ++i) {
        TwoDigitField* field = editor->durationFields()->field(i);
        field->selectAll();
        QTest::keyClicks(field, "0");
        emit field->editingFinished();
    }
    EXPECT_EQ(editor->draft().event().duration, 1.0);
    EXPECT_EQ(editor->durationFields()->field(2)->text(), "01");

    // Content that is not a block drops the block on saving.
    QTest::mouseClick(editor->contentControl()->segment(1), Qt::LeftButton);
    EXPECT_FALSE(editor->confirmButton()->isEnabled()) << "no file chosen yet";
}

TEST_F(ScheduleEditorTest, TheFilePickerMakesAFreshItemFromTheBrowserOrTheChooser)
{
    auto trimmed = file("interview", 300);
    trimmed->setInPoint(12);
    trimmed->setGainDB(-6);
    const auto live = MediaFile::create(liveSource(LiveSourceKind::srt, "Remote", "srt://r"));
    browser.setBrowserFiles({live});
    makeColumn();
    std::optional<QUrl> answer;
    int asked = 0;
    column->setFileChooser([&](QWidget*, std::function<void(std::optional<QUrl>)> done) {
        ++asked;
        done(answer);
    });
    ScheduleEvent e = event(Start::manual, nullptr);
    e.media = file("old", 10);
    ScheduleEventEditor& editor = open(e);
    FilePicker* picker = editor.filePicker();
    EXPECT_FALSE(picker->isHidden());
    EXPECT_EQ(picker->shownName(), "old");
    EXPECT_TRUE(picker->browserMenuButton()->isHidden()) << "a browser with only live items offers nothing";

    browser.setBrowserFiles({live, trimmed});
    ASSERT_FALSE(picker->browserMenuButton()->isHidden());
    const auto actions = picker->browserMenuButton()->menu()->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->text(), "interview");
    actions[0]->trigger();
    const auto chosen = editor.draft().event().media;
    ASSERT_TRUE(chosen);
    EXPECT_NE(chosen, trimmed);
    EXPECT_EQ(chosen->url(), trimmed->url());
    EXPECT_EQ(chosen->inPoint(), 0.0) << "none of the browser item's settings come along";
    EXPECT_EQ(chosen->gainDB(), 0.0);

    QTest::mouseClick(picker->chooseButton(), Qt::LeftButton); // cancelled
    EXPECT_EQ(editor.draft().event().media, chosen);
    answer = QUrl::fromLocalFile("/media/still.png");
    QTest::mouseClick(picker->chooseButton(), Qt::LeftButton);
    EXPECT_EQ(asked, 2);
    ASSERT_TRUE(editor.draft().event().media);
    EXPECT_EQ(editor.draft().event().media->url(), *answer);
    EXPECT_EQ(picker->shownName(), "still");

    // A file event switched to a block and back has lost its file.
    QTest::mouseClick(editor.contentControl()->segment(0), Qt::LeftButton);
    QTest::mouseClick(editor.contentControl()->segment(1), Qt::LeftButton);
    EXPECT_FALSE(editor.draft().event().media);
    EXPECT_EQ(picker->shownName(), "Nessun file scelto");
}

TEST_F(ScheduleEditorTest, TheLivePickerKeepsAnUnpluggedDeviceChosenAndListsItLast)
{
    const LiveSource camA = liveSource(LiveSourceKind::capture, "Cam A", "usb-cam-a");
    const LiveSource camB = liveSource(LiveSourceKind::capture, "Cam B", "usb-cam-b");
    sources.setCaptureSources({camA, camB});
    sources.setManualSources({liveSource(LiveSourceKind::srt, "Regia", "srt://regia"),
                              liveSource(LiveSourceKind::srt, "Regia bis", "srt://regia")});
    makeColumn();
    ScheduleEvent e = event(Start::manual, nullptr);
    e.media = MediaFile::create(camB);
    schedule->add(e);
    ScheduleEventEditor& editor = open(e);
    QComboBox* combo = editor.livePicker()->comboBox();
    EXPECT_EQ(editor.contentControl()->currentIndex(), 2);
    EXPECT_EQ(items(combo), (QStringList{"Input Live", "Cam A", "Cam B", "SRT", "Regia"}))
        << "two sources with one address are one choice";
    EXPECT_EQ(combo->currentText(), "Cam B");

    sources.setCaptureSources({camA}); // unplugged
    EXPECT_EQ(items(combo), (QStringList{"Input Live", "Cam A", "Cam B", "SRT", "Regia"}));
    EXPECT_EQ(combo->currentText(), "Cam B");
    LiveSource pluggedAgain = camB;
    pluggedAgain.id = QUuid::createUuid();
    sources.setCaptureSources({pluggedAgain, camA});
    EXPECT_EQ(items(combo), (QStringList{"Input Live", "Cam B", "Cam A", "SRT", "Regia"})) << "listed once";
    EXPECT_EQ(combo->currentText(), "Cam B");

    choose(combo, "Regia");
    const auto& media = editor.draft().event().media;
    ASSERT_TRUE(media && media->liveSource());
    EXPECT_EQ(media->liveSource()->name, "Regia") << "the first of the two";
    EXPECT_EQ(editor.draft().event().duration, 1800.0);
}

TEST_F(ScheduleEditorTest, AddingASourceOnTheSpotChoosesTheSourceAddedAndNothingElse)
{
    const LiveSource camA = liveSource(LiveSourceKind::capture, "Cam A", "usb-cam-a");
    sources.setCaptureSources({camA});
    sources.setManualSources({liveSource(LiveSourceKind::rtmp, "Old", "rtmp://old")});
    makeColumn();
    ScheduleEvent e = event(Start::manual, nullptr);
    e.media = MediaFile::create(camA);
    ScheduleEventEditor& editor = open(e);
    LivePicker* picker = editor.livePicker();
    const auto chosen = editor.draft().event().media;

    // Opens the form of a kind and hands it to the test.
    auto openForm = [&](LiveSourceKind kind) -> AddSourceView* {
        QTest::mouseClick(picker->addButton(kind), Qt::LeftButton);
        EXPECT_EQ(picker->addingSourceKind(), kind);
        EXPECT_TRUE(picker->popover() && picker->popover()->isVisible());
        return picker->popover() ? picker->popover()->findChild<AddSourceView*>() : nullptr;
    };

    // Nothing added: an address that is blank once trimmed, or a cancelled
    // form. The operator's source stays chosen.
    AddSourceView* form = openForm(LiveSourceKind::rtmp);
    ASSERT_NE(form, nullptr);
    form->addressField()->setText(QStringLiteral(" \u00a0 "));
    ASSERT_TRUE(form->addButton()->isEnabled()) << "the form lets it through; the catalogue adds nothing";
    QTest::mouseClick(form->addButton(), Qt::LeftButton);
    drainMainQueue();
    EXPECT_FALSE(picker->addingSourceKind().has_value());
    EXPECT_EQ(sources.manualSources().size(), 1u);
    EXPECT_EQ(editor.draft().event().media, chosen);
    form = openForm(LiveSourceKind::srt);
    ASSERT_NE(form, nullptr);
    QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
    drainMainQueue();
    EXPECT_EQ(editor.draft().event().media, chosen);
    EXPECT_FALSE(editor.draft().event().duration.has_value());

    // An SRT source without a name: named by its address, and chosen.
    form = openForm(LiveSourceKind::srt);
    ASSERT_NE(form, nullptr);
    QTest::keyClicks(form->addressField(), QStringLiteral(" srt://0.0.0.0:9000 "));
    QTest::mouseClick(form->addButton(), Qt::LeftButton);
    drainMainQueue();
    EXPECT_FALSE(picker->addingSourceKind().has_value());
    ASSERT_EQ(sources.manualSources().size(), 2u);
    const LiveSource added = sources.manualSources().back();
    EXPECT_EQ(added.name, "srt://0.0.0.0:9000");
    const auto& media = editor.draft().event().media;
    ASSERT_TRUE(media && media->liveSource());
    EXPECT_EQ(*media->liveSource(), added);
    EXPECT_EQ(editor.draft().event().duration, 1800.0);
    EXPECT_EQ(picker->comboBox()->currentText(), "srt://0.0.0.0:9000");
    EXPECT_EQ(SourceLibrary::loadManualSources(settings).size(), 2u) << "stored in the settings";
}

// Tab goes through the editor as it reads: down the form, and left to right
// along a row.
TEST_F(ScheduleEditorTest, TabFollowsTheFormsReadingOrder)
{
    block("News", {file("news", 600)});
    makeColumn();
    QTest::mouseClick(column->newEventButton(), Qt::LeftButton);
    ScheduleEventEditor* editor = column->editor();
    ASSERT_NE(editor, nullptr);
    editor->draft().setStart(Start::fixed);
    editor->draft().setLimited(true);
    editor->show();
    settle();

    std::vector<QWidget*> stops;
    for (QWidget* w = editor->nextInFocusChain(); w != editor && stops.size() < 100; w = w->nextInFocusChain()) {
        const bool inner = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr;
        if (!inner && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            stops.push_back(w);
    }
    ASSERT_GE(stops.size(), 10u);
    EXPECT_EQ(stops.front(), editor->findChildren<SegmentedControl*>().value(0)->segment(0)) << "the content kind first";
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const QRect a(stops[i - 1]->mapTo(editor, QPoint()), stops[i - 1]->size());
        const QRect b(stops[i]->mapTo(editor, QPoint()), stops[i]->size());
        const bool sameRow = std::abs(a.center().y() - b.center().y()) < std::max(a.height(), b.height()) / 2;
        EXPECT_TRUE(sameRow ? b.left() > a.left() : b.top() > a.top())
            << i << ": " << stops[i - 1]->accessibleName().toStdString() << " then "
            << stops[i]->accessibleName().toStdString();
    }
}

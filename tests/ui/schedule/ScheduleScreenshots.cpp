// Renders the schedule tab and the event editor in fixture states to PNG
// files, in Italian and English, for a person to compare with the design.
// Runs only when TESSARIN_SCREENSHOT_DIR names the folder to write to.
#include "ScheduleViewFixture.h"

#include "platform/Localization.h"
#include "ui/schedule/ScheduleEventDraft.h"
#include "ui/schedule/ScheduleEventEditor.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QStyleFactory>

using namespace tessarin;
using namespace tessarin::test;
using Start = ScheduleEvent::Start;
using Repeat = ScheduleEvent::Repeat;

namespace {

void darkLook()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    const QColor text(235, 235, 235);
    p.setColor(QPalette::Window, QColor(0x1e, 0x1f, 0x22));
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(0x16, 0x17, 0x19));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x2b, 0x2d, 0x31));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::PlaceholderText, QColor(120, 120, 120));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xeb));
    QApplication::setPalette(p);
}

class ScheduleScreenshots : public ScheduleViewTest {
protected:
    void TearDown() override
    {
        Localization::apply(QStringLiteral("it"));
        ScheduleViewTest::TearDown();
    }
};

} // namespace

TEST_F(ScheduleScreenshots, TabAndEditorInBothLanguages)
{
    const QString folder = qEnvironmentVariable("TESSARIN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set TESSARIN_SCREENSHOT_DIR to render";
    QDir().mkpath(folder);
    darkLook();

    auto news = block("Telegiornale", {file("news", 600)});
    auto film = block("Film della sera", {file("film", 5400)});
    auto studio = block("Studio", {MediaFile::create(liveSource(LiveSourceKind::rtmp, "Regia", "rtmp://regia"))});
    auto gone = block("Vecchio blocco", {file("old", 60)});
    auto empty = block("Vuoto", {});
    const ScheduleEvent opening = event(Start::fixed, news, kEightPM + 30);
    const ScheduleEvent follow = event(Start::follow, film);
    ScheduleEvent limited = event(Start::follow, studio);
    limited.duration = 1800;
    const ScheduleEvent past = event(Start::fixed, news, kEightPM - 1800);
    ScheduleEvent off = event(Start::manual, film);
    off.isEnabled = false;
    const ScheduleEvent orphan = event(Start::manual, gone);
    const ScheduleEvent weekly = event(Start::fixed, film, kEightPM + 3 * 86400, Repeat::weekly);
    const ScheduleEvent hollow = event(Start::manual, empty);
    ScheduleEvent dropped = event(Start::manual, nullptr);
    dropped.media = MediaFile::create(liveSource(LiveSourceKind::capture, "Camera 1", "usb-cam-1"));
    sources.setCaptureSources({*dropped.media->liveSource()});
    schedule->setEvents({opening, follow, limited, past, off, orphan, weekly, hollow, dropped});
    engine->removeBlock(gone);
    schedule->setArmed(true);
    schedule->setLoops(true);

    for (const QString language : {QStringLiteral("it"), QStringLiteral("en")}) {
        ASSERT_TRUE(Localization::apply(language));
        makeColumn();
        column->resize(420, 860);
        drainMainQueue();
        column->grab().save(folder + QStringLiteral("/schedule-waiting-%1.png").arg(language));

        if (language == QLatin1String("it")) {
            run(31); // the opening event goes on air
            run(600); // and hands over to the film
            schedule->launch(hollow, schedule->now()); // a launch that fails leaves a notice
        }
        drainMainQueue();
        column->grab().save(folder + QStringLiteral("/schedule-evening-%1.png").arg(language));

        const std::pair<QString, ScheduleEvent> editors[] = {
            {QStringLiteral("block"), opening}, {QStringLiteral("live"), dropped}, {QStringLiteral("new"), column->newEvent()}};
        for (const auto& [name, e] : editors) {
            column->edit(e);
            ScheduleEventEditor* editor = column->editor();
            ASSERT_NE(editor, nullptr);
            drainMainQueue();
            editor->grab().save(folder + QStringLiteral("/editor-%1-%2.png").arg(name, language));
            editor->reject();
            drainMainQueue();
        }
        ScheduleEvent fileEvent = event(Start::fixed, nullptr, kEightPM + 7200, Repeat::daily);
        fileEvent.media = file("Intervista al sindaco", 300);
        column->edit(fileEvent);
        column->editor()->draft().setLimited(true);
        drainMainQueue();
        column->editor()->grab().save(folder + QStringLiteral("/editor-file-%1.png").arg(language));
        column->editor()->reject();
        drainMainQueue();
        column.reset();
    }
}

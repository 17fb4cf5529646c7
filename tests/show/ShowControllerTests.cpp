// The show commands against a plain show content, scripted panels and
// alerts, a private settings file and a manual clock.
#include "show/ShowController.h"
#include "show/ShowFile.h"
#include "show/ShowPaths.h"

#include "ShowTestSupport.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <deque>
#include <limits>

#include <sys/stat.h>

using namespace tessarin;
using test::contents;
using test::ScriptedDialogs;
using test::writeFile;

namespace {

// A show of browser files and named blocks, saved and rebuilt by the same
// rules as the program's (ShowPaths for references and lookups).
class PlainContent final : public ShowContent {
public:
    QStringList browser;     // absolute paths
    QStringList blockNames;
    double gain = 0.0;
    int resets = 0;

    ShowDocument document(const std::optional<QString>& base) const override
    {
        ShowDocument doc;
        for (const QString& path : browser) {
            const auto ref = ShowPaths::reference(path, base);
            ShowDocument::Item item;
            item.path = ref.path;
            item.relativePath = ref.relative;
            item.gainDB = gain;
            doc.browser.push_back(item);
        }
        for (const QString& name : blockNames) {
            ShowDocument::Block block;
            block.name = name;
            doc.blocks.push_back(block);
        }
        doc.layers = {ShowDocument::Layer {}, ShowDocument::Layer {}};
        doc.schedule = std::vector<ShowDocument::ScheduleEntry> {};
        doc.scheduleLoops = false;
        return doc;
    }
    void reset() override
    {
        ++resets;
        browser.clear();
        blockNames.clear();
    }
    void apply(const ShowDocument& doc, const QString& showFolder, QStringList& missing,
               const ShowLoading::Correction&) override
    {
        for (const auto& item : doc.browser) {
            if (auto found = ShowPaths::locate(item.path, item.relativePath, showFolder))
                browser.append(*found);
            else
                missing.append(ShowPaths::missingName(item.path));
        }
        for (const auto& block : doc.blocks)
            blockNames.append(block.name);
    }
};

class ShowControllerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Settings settings {dir.filePath("settings.ini")};
    test::ManualClock clock;
    PlainContent content;
    ScriptedDialogs dialogs;
    std::unique_ptr<ShowController> controller;

    void SetUp() override { start(); }
    void start()
    {
        controller = std::make_unique<ShowController>(content, settings, clock, dialogs);
        test::drainMainQueue(); // the reopening of the last show, when queued
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString media(const QString& name)
    {
        const QString p = path(name);
        writeFile(p, "media");
        return p;
    }
    // Saves the current content as a file, clean afterwards.
    void saveAs(const QString& file)
    {
        dialogs.saveAnswers.push_back(file);
        ASSERT_TRUE(controller->saveAs());
    }
};

} // namespace

TEST_F(ShowControllerTest, StartsAsACleanUntitledShow)
{
    EXPECT_FALSE(controller->fileURL());
    EXPECT_FALSE(controller->isDirty());
    EXPECT_EQ(controller->title(), QStringLiteral("Show senza titolo"));
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(ShowControllerTest, AnEditMarksTheShowDirtyAndUndoingItCleansIt)
{
    content.blockNames = {"Apertura"};
    clock.advance(1.5);
    EXPECT_TRUE(controller->isDirty());
    EXPECT_EQ(controller->title(), QStringLiteral("Show senza titolo — modificato"));
    content.blockNames.clear();
    clock.advance(1.5);
    EXPECT_FALSE(controller->isDirty());
}

TEST_F(ShowControllerTest, SavingAnUntitledShowAsksForAFileAndWritesItExactly)
{
    const QString clip = media("Shows/A/media/clip.mov");
    const QString outside = media("Shows/AB/other.mov");
    content.browser = {clip, outside};

    controller->save();
    ASSERT_EQ(dialogs.savePanels.size(), 1u);
    EXPECT_EQ(dialogs.savePanels[0].first, QStringLiteral("Show.vellumcast"));
    EXPECT_EQ(dialogs.savePanels[0].second, QStringLiteral("Salva lo show"));
    EXPECT_FALSE(controller->fileURL()); // cancelled: nothing written, nothing said
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_EQ(QDir(path("Shows/A")).entryList(QDir::Files), QStringList {});

    const QString file = path("Shows/A/Mio show.vellumcast");
    saveAs(file);
    EXPECT_EQ(controller->fileURL(), file);
    EXPECT_EQ(settings.stringValue(ShowController::kLastShowPathKey), file);
    EXPECT_FALSE(controller->isDirty());
    EXPECT_EQ(controller->title(), QStringLiteral("Mio show"));

    const QByteArray written = contents(file);
    const auto expected = content.document(path("Shows/A")).toJson(ShowDocument::Layout::pretty);
    EXPECT_EQ(written, expected);
    EXPECT_TRUE(written.contains("\"relativePath\" : \"media\\/clip.mov\""));
    EXPECT_EQ(written.count("relativePath"), 1); // not for the sibling folder
    // The snapshot is compact and has absolute paths only.
    EXPECT_NE(controller->savedSnapshot().toUtf8(), written);
    EXPECT_FALSE(controller->savedSnapshot().contains("relativePath"));
    EXPECT_FALSE(controller->savedSnapshot().contains('\n'));
}

TEST_F(ShowControllerTest, SaveAsPresetsTheOpenFileName)
{
    saveAs(path("Serata.vellumcast"));
    dialogs.saveAnswers.push_back(std::nullopt);
    EXPECT_FALSE(controller->saveAs());
    EXPECT_EQ(dialogs.savePanels.back().first, QStringLiteral("Serata.vellumcast"));
    content.blockNames = {"B"};
    controller->save(); // to the open file, without a panel
    EXPECT_EQ(dialogs.savePanels.size(), 2u);
    EXPECT_TRUE(contents(path("Serata.vellumcast")).contains("\"B\""));
}

TEST_F(ShowControllerTest, PanelsStartInTheOpenShowsFolderElseTheLastOneElseHomeNeverTheWorkingFolder)
{
    auto nextSaveFolder = [&] {
        dialogs.saveAnswers.push_back(std::nullopt);
        controller->saveAs();
        return dialogs.panelFolders.back();
    };
    auto nextOpenFolder = [&] {
        dialogs.openAnswers.push_back(std::nullopt);
        controller->open();
        return dialogs.panelFolders.back();
    };
    EXPECT_EQ(nextSaveFolder(), QDir::homePath());
    EXPECT_EQ(nextOpenFolder(), QDir::homePath());

    // A show in a folder other than the working one.
    QDir().mkpath(path("Shows/A"));
    QDir().mkpath(path("Shows/B"));
    saveAs(path("Shows/A/Serata.vellumcast"));
    EXPECT_EQ(nextSaveFolder(), path("Shows/A"));
    saveAs(path("Shows/B/Copia.vellumcast"));
    EXPECT_EQ(nextOpenFolder(), path("Shows/B"));

    // A new show starts where the last one was, also after a relaunch.
    controller->newShow();
    EXPECT_EQ(nextSaveFolder(), path("Shows/B"));
    saveAs(path("Shows/A/Altra.vellumcast"));
    QFile::remove(path("Shows/A/Altra.vellumcast"));
    start(); // the last show is gone: nothing reopens
    EXPECT_FALSE(controller->fileURL());
    EXPECT_EQ(nextOpenFolder(), path("Shows/A"));
    // A folder that is gone is passed over.
    QDir(path("Shows/A")).removeRecursively();
    EXPECT_EQ(nextOpenFolder(), QDir::homePath());
}

TEST_F(ShowControllerTest, AFailedSaveShowsTheReasonAndKeepsTheShowDirtyAndTheOldFile)
{
    const QString folder = path("Locked");
    QDir().mkpath(folder);
    const QString file = folder + "/Show.vellumcast";
    saveAs(file);
    const QByteArray before = contents(file);

    content.blockNames = {"changed"};
    clock.advance(1.5);
    ASSERT_TRUE(controller->isDirty());
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    {
        test::FilePermissionsEnforced enforced;
        if (!enforced.enforced())
            GTEST_SKIP() << "file permissions cannot be enforced for this user";
        controller->save();
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("Impossibile salvare lo show"));
    EXPECT_EQ(dialogs.alerts[0].informativeText, test::reason(EACCES));
    EXPECT_TRUE(controller->isDirty());
    EXPECT_EQ(controller->title(), QStringLiteral("Show — modificato"));
    EXPECT_EQ(contents(file), before);
}

TEST_F(ShowControllerTest, ANumberThatIsNotFiniteFailsTheSaveInsteadOfWritingNull)
{
    const QString file = path("Show.vellumcast");
    saveAs(file);
    const QByteArray before = contents(file);
    content.browser = {media("clip.mov")};
    content.gain = std::numeric_limits<double>::quiet_NaN();
    controller->save();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("Impossibile salvare lo show"));
    EXPECT_EQ(dialogs.alerts[0].informativeText, QStringLiteral("Lo show contiene un numero non valido."));
    EXPECT_EQ(contents(file), before);
}

TEST_F(ShowControllerTest, TheQuestionIsAskedOnlyWithChangesAndSeesAnEditMadeJustBefore)
{
    EXPECT_TRUE(controller->confirmDiscardingChanges());
    EXPECT_TRUE(dialogs.questions.empty());

    clock.advance(1.4);
    content.blockNames = {"just now"}; // the watcher has not looked yet
    dialogs.questionAnswers = {ShowDialogs::SaveAnswer::cancel};
    EXPECT_FALSE(controller->confirmDiscardingChanges());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].message, QStringLiteral("Salvare le modifiche allo show?"));
    EXPECT_EQ(dialogs.questions[0].informativeText,
              QStringLiteral("Le modifiche a \u201CShow senza titolo\u201D andranno perse se non le salvi."));

    dialogs.questionAnswers = {ShowDialogs::SaveAnswer::dontSave};
    EXPECT_TRUE(controller->confirmDiscardingChanges());
}

TEST_F(ShowControllerTest, AnsweringSaveWritesFirstAndACancelledPanelStopsTheCommand)
{
    content.blockNames = {"unsaved"};
    dialogs.questionAnswers = {ShowDialogs::SaveAnswer::save};
    dialogs.saveAnswers = {std::nullopt};
    controller->newShow();
    EXPECT_EQ(content.resets, 0); // the new show was not made
    EXPECT_EQ(content.blockNames, QStringList {"unsaved"});

    dialogs.questionAnswers = {ShowDialogs::SaveAnswer::save};
    dialogs.saveAnswers = {path("Kept.vellumcast")};
    controller->newShow();
    EXPECT_TRUE(contents(path("Kept.vellumcast")).contains("unsaved"));
    EXPECT_EQ(content.resets, 1);
    EXPECT_FALSE(controller->fileURL());
}

TEST_F(ShowControllerTest, ANewShowForgetsTheLastShow)
{
    saveAs(path("Show.vellumcast"));
    content.blockNames = {"x"};
    dialogs.questionAnswers = {ShowDialogs::SaveAnswer::dontSave};
    controller->newShow();
    EXPECT_FALSE(settings.contains(ShowController::kLastShowPathKey));
    EXPECT_FALSE(controller->fileURL());
    EXPECT_FALSE(controller->isDirty());
    EXPECT_TRUE(content.blockNames.isEmpty());
}

TEST_F(ShowControllerTest, AFileThatIsNoShowLeavesTheOpenShowAsItWas)
{
    saveAs(path("Good.vellumcast"));
    content.blockNames = {"edited"};
    clock.advance(1.5);
    dialogs.questionAnswers = {ShowDialogs::SaveAnswer::dontSave, ShowDialogs::SaveAnswer::dontSave};
    writeFile(path("bad.vellumcast"), "{\"version\":1,\"browser\":[],\"blocks\":[]}"); // no "layers"
    dialogs.openAnswers = {path("bad.vellumcast"), path("missing.vellumcast")};
    controller->open();
    controller->open();

    ASSERT_EQ(dialogs.alerts.size(), 2u);
    for (const auto& alert : dialogs.alerts)
        EXPECT_EQ(alert.message, QStringLiteral("Impossibile aprire lo show"));
    // A damaged show is said to be no show; a path with nothing there says so.
    EXPECT_EQ(dialogs.alerts[0].informativeText, QStringLiteral("Il file non è uno show valido di Tessarin."));
    EXPECT_EQ(dialogs.alerts[1].informativeText, QStringLiteral("Il file non esiste."));
    EXPECT_EQ(content.resets, 0);
    EXPECT_EQ(content.blockNames, QStringList {"edited"});
    EXPECT_EQ(controller->fileURL(), path("Good.vellumcast"));
    EXPECT_TRUE(controller->isDirty());
    EXPECT_EQ(settings.stringValue(ShowController::kLastShowPathKey), path("Good.vellumcast"));
}

TEST_F(ShowControllerTest, OpeningAMovedShowFindsItsMediaAndReportsWhatIsMissing)
{
    content.browser = {media("Shows/A/media/clip.mov"), media("Shows/A/gone.mov"), media("Elsewhere/far.mov")};
    saveAs(path("Shows/A/Show.vellumcast"));
    ASSERT_TRUE(QDir().rename(path("Shows/A"), path("Moved")));
    QFile::remove(path("Moved/gone.mov"));
    QFile::remove(path("Elsewhere/far.mov"));

    dialogs.openAnswers = {path("Moved/Show.vellumcast")};
    controller->open();
    EXPECT_EQ(content.browser, QStringList {path("Moved/media/clip.mov")});
    EXPECT_EQ(controller->fileURL(), path("Moved/Show.vellumcast"));
    EXPECT_FALSE(controller->isDirty()); // the show as rebuilt is the clean one
    clock.advance(1.5);
    EXPECT_FALSE(controller->isDirty());
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("2 file non sono stati trovati"));
    EXPECT_EQ(dialogs.alerts[0].informativeText,
              QStringLiteral("far.mov\ngone.mov\n\nSono stati tolti dallo show; se lo salvi ora, non ci saranno più."));
}

TEST_F(ShowControllerTest, TheLastShowIsReopenedAtStart)
{
    content.blockNames = {"Serata"};
    saveAs(path("Last.vellumcast"));
    content.reset();

    start();
    EXPECT_EQ(content.blockNames, QStringList {"Serata"});
    EXPECT_EQ(controller->fileURL(), path("Last.vellumcast"));
    EXPECT_FALSE(controller->isDirty());
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(ShowControllerTest, ALastShowThatIsGoneIsIgnoredAndOneThatIsNoShowIsReported)
{
    settings.setString(ShowController::kLastShowPathKey, path("gone.vellumcast"));
    start();
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_FALSE(controller->fileURL());
    EXPECT_TRUE(settings.contains(ShowController::kLastShowPathKey));

    QDir().mkpath(path("folder.vellumcast"));
    settings.setString(ShowController::kLastShowPathKey, path("folder.vellumcast"));
    start();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("Impossibile aprire lo show"));
    EXPECT_FALSE(controller->fileURL());
    EXPECT_FALSE(controller->isDirty());
}

TEST_F(ShowControllerTest, APathThatCannotHoldAShowIsRefusedWithItsReasonAndNeverWaitedOn)
{
    // A pipe opened for reading would wait for a writer for ever, a device
    // would be read without end.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.vellumcast")).constData(), 0600), 0);
    QFile big(path("big.vellumcast"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(ShowFile::maximumSize + 1)); // sparse
    big.close();
    const QString notAFile = QStringLiteral("Il percorso non indica un file ma una cartella, un dispositivo o una pipe.");
    const QString tooLarge = QStringLiteral("Il file è troppo grande per essere uno show (oltre 64 MB).");
    const struct {
        QString path;
        const QString& reason;
    } rows[] = {{path("pipe.vellumcast"), notAFile}, {QStringLiteral("/dev/zero"), notAFile},
                {path("big.vellumcast"), tooLarge}};
    for (const auto& row : rows) {
        // Reopened at start, and chosen in the panel.
        settings.setString(ShowController::kLastShowPathKey, row.path);
        dialogs.alerts.clear();
        start();
        dialogs.openAnswers = {row.path};
        controller->open();
        ASSERT_EQ(dialogs.alerts.size(), 2u) << row.path.toStdString();
        for (const auto& alert : dialogs.alerts) {
            EXPECT_EQ(alert.message, QStringLiteral("Impossibile aprire lo show"));
            EXPECT_EQ(alert.informativeText, row.reason) << row.path.toStdString();
        }
        EXPECT_FALSE(controller->fileURL());
    }
}

TEST_F(ShowControllerTest, AShowNamedFromOutsideTakesTheLastShowsPlaceAtStartAndLaterComesAfterTheQuestion)
{
    content.blockNames = {"Ieri"};
    saveAs(path("Last.vellumcast"));
    content.blockNames = {"Oggi"};
    saveAs(path("Given.vellumcast"));
    settings.setString(ShowController::kLastShowPathKey, path("Last.vellumcast"));
    content.reset();

    controller = std::make_unique<ShowController>(content, settings, clock, dialogs);
    controller->openFile(path("Given.vellumcast"));
    test::drainMainQueue();
    EXPECT_EQ(content.blockNames, QStringList {"Oggi"});
    EXPECT_EQ(controller->fileURL(), path("Given.vellumcast"));
    EXPECT_EQ(settings.stringValue(ShowController::kLastShowPathKey), path("Given.vellumcast"));

    // Later, with changes: the question first; a cancel keeps the show.
    content.blockNames = {"Oggi", "modificato"};
    dialogs.questionAnswers = {ShowDialogs::SaveAnswer::cancel, ShowDialogs::SaveAnswer::dontSave};
    controller->openFile(path("Last.vellumcast"));
    EXPECT_EQ(controller->fileURL(), path("Given.vellumcast"));
    controller->openFile(path("Last.vellumcast"));
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(content.blockNames, QStringList {"Ieri"});
    EXPECT_TRUE(dialogs.alerts.empty());

    // A path that cannot be opened: the panel's alert, the show as it was.
    controller->openFile(path("nowhere.vellumcast"));
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, QStringLiteral("Impossibile aprire lo show"));
    EXPECT_EQ(controller->fileURL(), path("Last.vellumcast"));
}

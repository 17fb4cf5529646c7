// The media tab driven through its real file list: adding by dialog and by
// drop, selection, removal and the drag payload that blocks and the
// schedule read back.
#include "BrowserTestFixture.h"

#include "media/MediaDrop.h"
#include "media/TimecodeFormatter.h"
#include "support/TestSupport.h"
#include "ui/browser/BrowserMediaList.h"
#include "ui/browser/BrowserRow.h"
#include "ui/browser/ThumbnailView.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QDragEnterEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <cmath>

using namespace tessarin;
using namespace tessarin::test;

namespace {

QUrl media(const char* name) { return QUrl::fromLocalFile(mediaPath(QString::fromLatin1(name))); }

// A file whose name holds the byte 0xFF (not UTF-8), removed at the end
// (Qt's directory listing does not see it, so QTemporaryDir cannot).
struct BadlyNamedFile {
    QByteArray path;
    ~BadlyNamedFile() { ::unlink(path.constData()); }
};

QUrl makeBadlyNamedFile(const QString& folder, BadlyNamedFile& file)
{
    const QByteArray path = QFile::encodeName(folder) + "/clip\xff.mp4";
    file.path = path;
    QFile source(mediaPath(QStringLiteral("clip_5s.mov")));
    EXPECT_TRUE(source.open(QIODevice::ReadOnly));
    FILE* out = std::fopen(path.constData(), "wb");
    EXPECT_NE(out, nullptr);
    const QByteArray bytes = source.readAll();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out);
    std::fclose(out);
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
}

QStringList rowNames(const BrowserColumnView& column)
{
    QStringList names;
    for (BrowserRow* row : column.mediaList()->rows())
        names.append(BrowserRow::displayName(*row->file()));
    return names;
}

QMenu* menuOf(BrowserColumnView& column, int index)
{
    return column.makeContextMenu(column.mediaList()->rows().at(std::size_t(index))->file());
}

// Sends a drag with data over the column, then drops it; reports whether
// the enter and the drop were accepted.
std::pair<bool, bool> dragAndDrop(BrowserColumnView& column, const QMimeData& data, bool* targetedWhileHovering = nullptr)
{
    const QPoint at(column.width() / 2, column.height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&column, &enter);
    if (targetedWhileHovering)
        *targetedWhileHovering = column.isTargeted();
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&column, &drop);
    EXPECT_FALSE(column.isTargeted()) << "the highlight ends with the drop";
    if (drop.isAccepted())
        EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "a move from a file manager would delete the original";
    return { enter.isAccepted(), drop.isAccepted() };
}

} // namespace

using BrowserMediaTab = BrowserFixture;

TEST_F(BrowserMediaTab, AddsChosenFilesInOrderAndRefusesNamesThatAreNotUtf8)
{
    EXPECT_TRUE(column->mediaList()->showsEmptyHint());
    QTest::mouseClick(column->addButton(), Qt::LeftButton);
    EXPECT_TRUE(column->isPickingFiles());
    dialogs->choose({});
    EXPECT_FALSE(column->isPickingFiles());
    EXPECT_TRUE(files.browserFiles().empty()) << "a cancelled dialog changes nothing";

    QTest::mouseClick(column->addButton(), Qt::LeftButton);
    BadlyNamedFile badFile;
    const QUrl bad = makeBadlyNamedFile(dir.path(), badFile);
    dialogs->choose({ media("clip_5s.mov"), bad, media("tone_half.wav"), media("still.png") });

    EXPECT_EQ(fileURLs(), (std::vector<QUrl> { media("clip_5s.mov"), media("tone_half.wav"), media("still.png") }));
    EXPECT_EQ(rowNames(*column), (QStringList { "clip_5s", "tone_half", "still" }));
    ASSERT_EQ(dialogs->warnings.size(), 1u);
    EXPECT_TRUE(dialogs->warnings[0].message.contains(QStringLiteral("clip\uFFFD.mp4"))) << dialogs->warnings[0].message.toStdString();

    // Each row follows its own item as the analysis arrives.
    const auto rows = column->mediaList()->rows();
    EXPECT_EQ(rows[1]->thumbnail()->icon(), "waveform");
    EXPECT_EQ(rows[0]->thumbnail()->icon(), "film");
    ASSERT_TRUE(waitUntil([&] { return !rows[0]->thumbnail()->image().isNull() && rows[0]->file()->duration() > 0; }, 30));
    EXPECT_EQ(rows[0]->durationText(), TimecodeFormatter::string(rows[0]->file()->duration()));
    EXPECT_NE(rows[0]->durationText(), "00:00:00");
    EXPECT_FALSE(column->mediaList()->showsEmptyHint());
}

TEST_F(BrowserMediaTab, DropTakesMediaFilesOnlyAndOnlyOnTheMediaTab)
{
    QDir(dir.path()).mkdir("folder");
    QFile notes(dir.filePath("notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a clip\n");
    notes.close();
    BadlyNamedFile badFile;
    const QUrl bad = makeBadlyNamedFile(dir.path(), badFile);

    QMimeData dropped;
    dropped.setUrls({ media("clip_5s.mov"), QUrl::fromLocalFile(dir.filePath("folder")), QUrl::fromLocalFile(notes.fileName()),
                      bad, media("tone_half.mp3"), media("still.jpg") });
    bool targeted = false;
    auto [entered, dropTaken] = dragAndDrop(*column, dropped, &targeted);
    EXPECT_TRUE(entered);
    EXPECT_TRUE(targeted);
    EXPECT_TRUE(dropTaken);
    ASSERT_TRUE(waitUntil([&] { return !files.browserFiles().empty(); }));
    EXPECT_EQ(fileURLs(), (std::vector<QUrl> { media("clip_5s.mov"), media("tone_half.mp3"), media("still.jpg") }));
    ASSERT_EQ(dialogs->warnings.size(), 1u);
    EXPECT_TRUE(dialogs->warnings[0].message.contains(QStringLiteral("clip\uFFFD.mp4")));

    // Plain text (or a payload of the application's own) is not a file drop.
    QMimeData text;
    text.setText(FileDragPayload::encode({ media("clip_30s.mp4") }));
    EXPECT_EQ(dragAndDrop(*column, text), std::make_pair(false, false));

    // The sources tab takes no drop and shows no highlight.
    QTest::mouseClick(column->tabPicker()->segment(1), Qt::LeftButton);
    EXPECT_EQ(column->tab(), BrowserTab::sources);
    EXPECT_FALSE(column->addButton()->isVisible());
    EXPECT_EQ(dragAndDrop(*column, dropped, &targeted), std::make_pair(false, false));
    EXPECT_FALSE(targeted);
    test::drainMainQueue();
    EXPECT_EQ(files.browserFiles().size(), 3u);
}

TEST_F(BrowserMediaTab, ShiftAndCtrlSelectionSurvivesRemovalsAndOutsideChanges)
{
    BrowserFiles::Files list;
    for (int i = 0; i < 6; ++i)
        list.push_back(MediaFile::create(QUrl::fromLocalFile(dir.filePath(QStringLiteral("f%1.mp4").arg(i)))));
    files.setBrowserFiles(list);
    auto rows = column->mediaList()->rows();
    ASSERT_EQ(rows.size(), 6u);
    auto selected = [&] {
        std::vector<int> result;
        const auto shown = column->mediaList()->rows();
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i]->isSelected(), column->selection().contains(shown[i]->file()->id())) << "row " << i;
            if (shown[i]->isSelected())
                result.push_back(int(i));
        }
        return result;
    };

    // Shift with no anchor yet is a plain click.
    QTest::mouseClick(rows[5], Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 5 }));
    QTest::mouseClick(rows[2], Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 2, 3, 4, 5 }));
    QTest::mouseClick(rows[0], Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 0, 2, 3, 4, 5 }));
    QTest::mouseClick(rows[0], Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 2, 3, 4, 5 })) << "Ctrl-click toggles";
    QTest::mouseClick(rows[1], Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 0, 1, 2, 3, 4, 5 })) << "Shift-Ctrl adds the range from the anchor (row 0)";
    QTest::mouseClick(rows[3], Qt::LeftButton);
    EXPECT_EQ(selected(), std::vector<int>({ 3 }));
    QTest::mouseClick(rows[1], Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 1, 2, 3 }));

    // The menu of an unselected row removes that row alone.
    std::unique_ptr<QMenu> menu(menuOf(*column, 5));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[1]->text(), "Rimuovi dal browser");
    menu->actions()[1]->trigger();
    EXPECT_EQ(files.browserFiles().size(), 5u);
    EXPECT_EQ(selected(), std::vector<int>({ 1, 2, 3 }));

    // The menu of a selected row removes every selected row, the anchor's too.
    menu.reset(menuOf(*column, 2));
    EXPECT_EQ(menu->actions()[1]->text(), "Rimuovi 3 file dal browser");
    menu->actions()[1]->trigger();
    test::drainMainQueue();
    rows = column->mediaList()->rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->file(), list[0]);
    EXPECT_EQ(rows[1]->file(), list[4]);
    EXPECT_TRUE(column->selection().ids().isEmpty());
    EXPECT_EQ(rows[1]->index(), 1) << "the stripes follow the new positions";

    // With its file gone the anchor is ignored: Shift-click is a plain click.
    QTest::mouseClick(rows[1], Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 1 }));

    // A change made elsewhere (a show being opened) keeps the rows of the
    // items that stay and drops the selection of those that go.
    BrowserRow* kept = rows[0];
    files.setBrowserFiles({ MediaFile::create(QUrl::fromLocalFile(dir.filePath("new.mp4"))), list[0] });
    test::drainMainQueue();
    rows = column->mediaList()->rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], kept);
    EXPECT_TRUE(column->selection().ids().isEmpty());

    // "Seleziona tutto" on one file gives a one-file removal.
    files.setBrowserFiles({ list[0] });
    menu.reset(menuOf(*column, 0));
    menu->actions()[0]->trigger();
    EXPECT_EQ(selected(), std::vector<int>({ 0 }));
    menu.reset(menuOf(*column, 0));
    EXPECT_EQ(menu->actions()[1]->text(), "Rimuovi dal browser");
}

TEST_F(BrowserMediaTab, DraggedFilesArriveThroughTheDropTargetsReader)
{
    files.setBrowserFiles({ MediaFile::create(media("clip_5s.mov")), MediaFile::create(media("tone_half.wav")),
                            MediaFile::create(media("still.png")), MediaFile::create(media("clip_30s.mp4")) });
    const auto rows = column->mediaList()->rows();
    auto readBack = [](const QMimeData& data) {
        std::vector<QUrl> urls;
        bool done = false;
        MediaDrop::loadItems(MediaDrop::items(data), [&](std::vector<std::shared_ptr<MediaFile>> items) {
            for (const auto& item : items)
                urls.push_back(item->url());
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }));
        return urls;
    };

    // Three selected rows (picked out of order) travel as one payload, in list order.
    QTest::mouseClick(rows[3], Qt::LeftButton);
    QTest::mouseClick(rows[0], Qt::LeftButton, Qt::ControlModifier);
    QTest::mouseClick(rows[2], Qt::LeftButton, Qt::ControlModifier);
    std::unique_ptr<QMimeData> several(column->dragProvider(rows[2]->file()));
    ASSERT_TRUE(MediaDrop::canAccept(*several));
    EXPECT_EQ(readBack(*several), (std::vector<QUrl> { media("clip_5s.mov"), media("still.png"), media("clip_30s.mp4") }));
    EXPECT_GT(rows[2]->dragPreview(3).width(), 0);

    // An unselected row replaces the selection and travels alone, as its URL.
    std::unique_ptr<QMimeData> one(column->dragProvider(rows[1]->file()));
    EXPECT_EQ(column->selection().ids(), QSet<QUuid> { rows[1]->file()->id() });
    EXPECT_TRUE(rows[1]->isSelected());
    EXPECT_FALSE(rows[0]->isSelected());
    EXPECT_EQ(one->urls(), QList<QUrl> { media("tone_half.wav") });
    EXPECT_EQ(readBack(*one), std::vector<QUrl> { media("tone_half.wav") });

    // By keyboard: a row takes focus, Down moves it on, and Shift+F10 opens
    // that row's menu with the places its drag could go, handed its drag's data.
    QList<QUrl> offered;
    column->setRowDestinations([&](QMenu& menu, const QMimeData& data) {
        offered = data.urls();
        menu.addAction(QStringLiteral("Blocco A"));
    });
    rows[0]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(rows[0], Qt::Key_Down);
    EXPECT_EQ(column->window()->focusWidget(), rows[1]);
    QTest::keyClick(rows[1], Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().front()->text(), "Blocco A");
    EXPECT_EQ(offered, QList<QUrl> { media("tone_half.wav") });
    menu->close();
}

namespace tessarin::test {

// The column asks its window for the same width whatever files it lists, so
// the centre column does not move when a long name arrives.
TEST_F(BrowserMediaTab, WidthDoesNotFollowTheListedNames)
{
    const int empty = column->sizeHint().width();
    EXPECT_EQ(empty, column->maximumWidth());
    const QString longName = dir.filePath(QStringLiteral("Sigla di apertura della serata finale in diretta dallo studio.mp4"));
    ASSERT_TRUE(QFile::copy(media("clip_5s.mov").toLocalFile(), longName));
    QTest::mouseClick(column->addButton(), Qt::LeftButton);
    dialogs->choose({ QUrl::fromLocalFile(longName), media("still.png") });
    ASSERT_EQ(files.browserFiles().size(), 2u);
    QApplication::processEvents();
    EXPECT_EQ(column->sizeHint().width(), empty);
}

} // namespace tessarin::test

namespace tessarin::test {

// The empty list's hint stands on its two lines at every width of the column,
// its font made smaller where a line would not fit; far narrower, a line
// breaks into balanced parts, never leaving a word alone on a line. A long
// file name is cut in the middle while the length beside it stays whole.
TEST_F(BrowserMediaTab, HintAndRowsReadWholeAtEveryColumnWidth)
{
    auto* hint = column->findChild<BalancedLinesLabel*>(QStringLiteral("emptyHintText"));
    ASSERT_NE(hint, nullptr);
    const QStringList given = {QStringLiteral("Trascina qui i file video, audio o immagini"),
                               QStringLiteral("oppure usa il pulsante “+”")};
    const int smallest = int(std::ceil(hint->font().pixelSize() * BalancedLinesLabel::kMinimumScaleFactor));
    for (int width : {column->minimumWidth(), 260, column->maximumWidth()}) {
        column->resize(width, 600);
        QApplication::processEvents();
        EXPECT_EQ(hint->shownLines(), given) << width;
        const QFont drawn = hint->shownFont();
        EXPECT_GE(drawn.pixelSize(), smallest) << width;
        for (const QString& line : given)
            EXPECT_LE(QFontMetrics(drawn).horizontalAdvance(line), hint->width()) << width;
        EXPECT_GE(hint->height(), hint->heightForWidth(hint->width())) << width;
        if (width == column->maximumWidth())
            EXPECT_EQ(drawn.pixelSize(), hint->font().pixelSize());
    }
    const int narrow = 120;
    const QStringList broken = hint->linesFor(narrow);
    EXPECT_EQ(broken.join(QLatin1Char(' ')), given.join(QLatin1Char(' ')));
    EXPECT_GT(broken.size(), given.size());
    for (const QString& line : broken) {
        EXPECT_TRUE(line.contains(QLatin1Char(' '))) << line.toStdString();
        EXPECT_LE(QFontMetrics(hint->font()).horizontalAdvance(line), narrow) << line.toStdString();
    }

    const QString longName = dir.filePath(QStringLiteral("Sigla di apertura della serata finale in diretta dallo studio.mp4"));
    ASSERT_TRUE(QFile::copy(media("clip_5s.mov").toLocalFile(), longName));
    QTest::mouseClick(column->addButton(), Qt::LeftButton);
    dialogs->choose({QUrl::fromLocalFile(longName)});
    ASSERT_TRUE(waitUntil([&] { return !column->mediaList()->rows().empty()
                                       && column->mediaList()->rows().front()->durationText() != "00:00:00"; }, 20.0));
    column->resize(column->minimumWidth(), 600);
    QApplication::processEvents();
    BrowserRow* row = column->mediaList()->rows().front();
    auto* duration = row->findChildren<ElidedLabel*>().back();
    EXPECT_EQ(duration->shownText(), row->durationText());
    auto* name = row->findChildren<ElidedLabel*>().front();
    EXPECT_TRUE(name->shownText().contains(QChar(0x2026)));
    EXPECT_TRUE(name->shownText().startsWith(QStringLiteral("Sig"))) << name->shownText().toStdString();
}

} // namespace tessarin::test

TEST(BrowserMediaList, RowsAreShownAsTheyScrollIntoViewReusedFarFromItAndFollowTheList)
{
    BrowserMediaList list;
    list.resize(320, 400);
    list.show();
    BrowserFiles::Files files;
    for (int i = 0; i < 300; ++i)
        files.push_back(MediaFile::create(QUrl::fromLocalFile(QStringLiteral("/nowhere/clip %1.mov").arg(i))));
    std::vector<BrowserRow*> added;
    QObject::connect(&list, &BrowserMediaList::rowAdded, [&](BrowserRow* row) { added.push_back(row); });
    list.setSelection({files[299]->id()});
    list.setFiles(files);
    QApplication::processEvents();
    // Every probe has failed: nothing but the test sets a duration from here on.
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(files.begin(), files.end(), [](const auto& f) { return !f->playbackError().isEmpty(); });
    }, 30.0));

    // Each row at its index's place, showing and following its own item,
    // and the rows in display order among the list's children (the order a
    // screen reader reads them).
    const auto placedAtIndex = [&] {
        int previous = -1;
        for (QObject* child : list.rows().front()->parentWidget()->children()) {
            auto* row = qobject_cast<BrowserRow*>(child);
            if (!row || list.row(row->file()->id()) != row)
                continue;
            if (row->index() < previous)
                return false;
            previous = row->index();
        }
        for (BrowserRow* row : list.rows()) {
            const int height = row->height();
            const auto& file = list.files()[std::size_t(row->index())];
            if (row->file() != file || row->y() != row->index() * height
                || row->width() != list.rows().front()->width() || row->isHidden()
                || row->isSelected() != (file == files[299])
                || row->accessibleName() != BrowserRow::displayName(*file) + ", " + row->durationText()
                || list.row(file->id()) != row)
                return false;
        }
        return true;
    };
    const auto madeRows = [&] { return list.findChildren<BrowserRow*>().size(); };
    const std::size_t firstPage = list.rows().size();
    EXPECT_GT(firstPage, 5u);
    EXPECT_LT(firstPage, 60u) << "only the rows around the view";
    EXPECT_EQ(added.size(), firstPage) << "each row announced once";
    EXPECT_EQ(list.row(files[299]->id()), nullptr);
    EXPECT_TRUE(placedAtIndex());
    const std::vector<BrowserRow*> firstRows = added;
    std::vector<std::shared_ptr<MediaFile>> firstFiles;
    for (BrowserRow* row : firstRows)
        firstFiles.push_back(row->file());

    // Page by page to the end: the rows far above are given to the items
    // coming into view, so the list never holds more than a few pages.
    auto* scroll = list.findChild<QScrollArea*>();
    QScrollBar* bar = scroll->verticalScrollBar();
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + scroll->viewport()->height());
        QApplication::processEvents();
        ASSERT_TRUE(placedAtIndex()) << "at " << bar->value();
        ASSERT_NE(list.row(list.files()[std::size_t(bar->value() / firstRows.front()->height())]->id()), nullptr);
    }
    BrowserRow* last = list.row(files[299]->id());
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(last->isSelected()) << "a row shown later shows the selection";
    EXPECT_EQ(last->index(), 299);
    EXPECT_TRUE(last->visibleRegion().boundingRect().height() > 0) << "the last row is in view";
    EXPECT_EQ(list.row(files[0]->id()), nullptr) << "far from the view";
    EXPECT_LT(madeRows(), 100) << "rows of items far from the view are reused, not kept";
    EXPECT_EQ(added.size(), std::size_t(madeRows())) << "a reused row is not announced again";
    // A row first made for an item above now shows one at the end, and
    // follows it only.
    const auto reused = std::find_if(firstRows.begin(), firstRows.end(), [&](BrowserRow* row) {
        return list.row(row->file()->id()) == row;
    });
    ASSERT_NE(reused, firstRows.end());
    BrowserRow* top = *reused;
    const auto& former = firstFiles[std::size_t(reused - firstRows.begin())];
    ASSERT_NE(top->file(), former);
    const QString shown = top->durationText();
    former->setDuration(61.0);
    EXPECT_EQ(top->durationText(), shown);
    top->file()->setDuration(3723.0);
    EXPECT_EQ(top->durationText(), TimecodeFormatter::string(3723.0));
    EXPECT_TRUE(placedAtIndex());

    // The list changes: rows near the view are kept and move, the removed one goes.
    BrowserRow* near = list.row(files[296]->id());
    ASSERT_NE(near, nullptr);
    BrowserFiles::Files changed(files.begin(), files.end());
    changed.erase(changed.begin() + 295);
    std::swap(changed[280], changed[290]);
    list.setFiles(changed);
    QApplication::processEvents();
    EXPECT_EQ(list.row(files[295]->id()), nullptr);
    EXPECT_EQ(list.row(files[296]->id()), near);
    EXPECT_EQ(near->index(), 295);
    EXPECT_EQ(list.row(files[299]->id()), last);
    EXPECT_EQ(last->index(), 298);
    EXPECT_TRUE(placedAtIndex());
    EXPECT_EQ(list.files().size(), 299u);

    // Straight back to the top, then up page by page from the middle: the
    // rows there show their items again, in order.
    bar->setValue(0);
    QApplication::processEvents();
    EXPECT_TRUE(placedAtIndex());
    bar->setValue(bar->maximum() / 2);
    QApplication::processEvents();
    while (bar->value() > 0) {
        bar->setValue(bar->value() - scroll->viewport()->height());
        QApplication::processEvents();
        ASSERT_TRUE(placedAtIndex()) << "at " << bar->value();
    }
    EXPECT_NE(list.row(files[0]->id()), nullptr);
    EXPECT_EQ(list.row(files[299]->id()), nullptr);
    EXPECT_TRUE(placedAtIndex());
    EXPECT_LT(madeRows(), 100);
}

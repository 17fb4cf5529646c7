// The media tab driven through its real file list: adding by dialog and by
// drop, selection, removal and the drag payload that blocks and the
// schedule read back.
#include "BrowserTestFixture.h"

#include "media/MediaDrop.h"
#include "media/TimecodeFormatter.h"
#include "support/PaintRecorder.h"
#include "support/TestSupport.h"
#include "ui/browser/BrowserFileList.h"
#include "ui/browser/BrowserFileModel.h"
#include "ui/browser/BrowserMediaList.h"
#include "ui/browser/BrowserRow.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
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
    for (const auto& file : column.mediaList()->files())
        names.append(BrowserRow::displayName(*file));
    return names;
}

QMenu* menuOf(BrowserColumnView& column, int index)
{
    return column.makeContextMenu(column.mediaList()->files().at(std::size_t(index)));
}

// A click on the row, where the list shows it.
void clickRow(BrowserColumnView& column, int row, Qt::KeyboardModifiers modifiers = {})
{
    BrowserFileList* list = column.mediaList()->view();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualRect(column.mediaList()->model().index(row)).center());
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
    const BrowserFileModel& model = column->mediaList()->model();
    const auto shown = [&](int row, int role) { return model.data(model.index(row), role).toString(); };
    EXPECT_EQ(shown(1, BrowserFileModel::SymbolRole), "waveform");
    EXPECT_EQ(shown(0, BrowserFileModel::SymbolRole), "film");
    ASSERT_TRUE(waitUntil([&] { return !model.thumbnail(0).isNull() && model.file(0)->duration() > 0; }, 30));
    EXPECT_EQ(shown(0, BrowserFileModel::DurationRole), TimecodeFormatter::string(model.file(0)->duration()));
    EXPECT_NE(shown(0, BrowserFileModel::DurationRole), "00:00:00");
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
    const BrowserFileModel& model = column->mediaList()->model();
    ASSERT_EQ(model.rowCount(), 6);
    auto selected = [&] {
        std::vector<int> result;
        for (int i = 0; i < model.rowCount(); ++i) {
            const bool shown = model.data(model.index(i), BrowserFileModel::SelectedRole).toBool();
            EXPECT_EQ(shown, column->selection().contains(model.file(i)->id())) << "row " << i;
            if (shown)
                result.push_back(i);
        }
        return result;
    };

    // Shift with no anchor yet is a plain click.
    clickRow(*column, 5, Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 5 }));
    clickRow(*column, 2, Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 2, 3, 4, 5 }));
    clickRow(*column, 0, Qt::ControlModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 0, 2, 3, 4, 5 }));
    clickRow(*column, 0, Qt::ControlModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 2, 3, 4, 5 })) << "Ctrl-click toggles";
    clickRow(*column, 1, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 0, 1, 2, 3, 4, 5 })) << "Shift-Ctrl adds the range from the anchor (row 0)";
    clickRow(*column, 3);
    EXPECT_EQ(selected(), std::vector<int>({ 3 }));
    clickRow(*column, 1, Qt::ShiftModifier);
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
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.file(0), list[0]);
    EXPECT_EQ(model.file(1), list[4]);
    EXPECT_TRUE(column->selection().ids().isEmpty());

    // With its file gone the anchor is ignored: Shift-click is a plain click.
    clickRow(*column, 1, Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<int>({ 1 }));

    // A change made elsewhere (a show being opened) keeps the current row
    // with its item and drops the selection of the items that go.
    column->mediaList()->focusRow(0);
    files.setBrowserFiles({ MediaFile::create(QUrl::fromLocalFile(dir.filePath("new.mp4"))), list[0] });
    test::drainMainQueue();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(column->mediaList()->view()->currentIndex().row(), 1);
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
    const BrowserFileModel& model = column->mediaList()->model();
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
    clickRow(*column, 3);
    clickRow(*column, 0, Qt::ControlModifier);
    clickRow(*column, 2, Qt::ControlModifier);
    std::unique_ptr<QMimeData> several(column->dragProvider(model.file(2)));
    ASSERT_TRUE(MediaDrop::canAccept(*several));
    EXPECT_EQ(readBack(*several), (std::vector<QUrl> { media("clip_5s.mov"), media("still.png"), media("clip_30s.mp4") }));
    EXPECT_GT(BrowserRow::dragPreview(BrowserRow::displayName(*model.file(2)), 3, 1.0).width(), 0);

    // An unselected row replaces the selection and travels alone, as its URL.
    std::unique_ptr<QMimeData> one(column->dragProvider(model.file(1)));
    EXPECT_EQ(column->selection().ids(), QSet<QUuid> { model.file(1)->id() });
    EXPECT_TRUE(model.isSelected(1));
    EXPECT_FALSE(model.isSelected(0));
    EXPECT_EQ(one->urls(), QList<QUrl> { media("tone_half.wav") });
    EXPECT_EQ(readBack(*one), std::vector<QUrl> { media("tone_half.wav") });

    // By keyboard: a row takes focus, Down moves it on, and Shift+F10 opens
    // that row's menu with the places its drag could go, handed its drag's
    // data.
    QList<QUrl> offered;
    column->setRowDestinations([&](QMenu& menu, const QMimeData& data) {
        offered = data.urls();
        menu.addAction(QStringLiteral("Blocco A"));
    });
    BrowserFileList* view = column->mediaList()->view();
    column->mediaList()->focusRow(0);
    // Focused by a click, the list shows the ring on the row a key moves to.
    column->window()->setAttribute(Qt::WA_KeyboardFocusChange, false);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(column->window()->focusWidget(), view);
    EXPECT_EQ(view->currentIndex().row(), 1);
    EXPECT_TRUE(column->window()->testAttribute(Qt::WA_KeyboardFocusChange)) << "the current row shows no focus ring";
    QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
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
    const BrowserFileModel& model = column->mediaList()->model();
    ASSERT_TRUE(waitUntil([&] { return model.rowCount() > 0 && model.file(0)->duration() > 0; }, 20.0));
    column->resize(column->minimumWidth(), 600);
    QApplication::processEvents();
    const QRect rect = column->mediaList()->view()->visualRect(model.index(0));
    const BrowserRow::Look look = model.look(0);
    const BrowserRow::Geometry row = BrowserRow::geometry(look, rect);
    EXPECT_NE(look.duration, "00:00:00");
    EXPECT_GT(row.duration.left(), row.name.right()) << "the length stands whole beside the name";
    EXPECT_LE(row.duration.right(), rect.right());
    EXPECT_TRUE(row.shownName.contains(QChar(0x2026)));
    EXPECT_TRUE(row.shownName.startsWith(QStringLiteral("Sig"))) << row.shownName.toStdString();
}

} // namespace tessarin::test

// A long list makes no widget per row: the rows are painted as they come
// into view, named for screen readers, and a thumbnail or duration arriving
// in the background changes and repaints its own row alone. A change of the
// list keeps the current row with its file and the scroll position.
TEST(BrowserMediaList, LongListPaintsTheRowsInViewAndRepaintsOnlyTheRowThatChanged)
{
    BrowserMediaList list;
    list.resize(320, 400);
    list.show();
    BrowserFiles::Files files;
    // A missing file's thumbnail ends, empty, apart from its probe: both are
    // awaited, or a late one changes its row among the test's own changes.
    int thumbnailsEnded = 0;
    for (int i = 0; i < 300; ++i) {
        files.push_back(MediaFile::create(QUrl::fromLocalFile(QStringLiteral("/nowhere/clip %1.mov").arg(i))));
        QObject::connect(files.back().get(), &MediaFile::thumbnailChanged, &list, [&] { ++thumbnailsEnded; });
    }
    list.setSelection({files[299]->id()});
    list.setFiles(files);
    // Every probe and grab has failed: nothing but the test changes a row from here on.
    ASSERT_TRUE(waitUntil([&] {
        return thumbnailsEnded == 300
            && std::all_of(files.begin(), files.end(), [](const auto& f) { return !f->playbackError().isEmpty(); });
    }, 30.0));
    QApplication::processEvents();
    const auto widgets = list.findChildren<QWidget*>().size();
    EXPECT_LT(widgets, 20) << "no widget per row";

    BrowserFileList* view = list.view();
    const BrowserFileModel& model = list.model();
    // Screen readers see every row at its own place, as list items named as
    // they read, the rows in view shown; reading them all keeps only a
    // bounded number of entries.
    QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(view);
    ASSERT_EQ(rows->childCount(), 300);
    const auto namesInView = [&] {
        QStringList names;
        std::vector<QAccessible::Id> ids;
        for (int i = 0; i < rows->childCount(); ++i) {
            QAccessibleInterface* row = rows->child(i);
            EXPECT_EQ(row->role(), QAccessible::ListItem);
            EXPECT_EQ(rows->indexOfChild(row), i);
            EXPECT_EQ(row->parent(), rows);
            EXPECT_EQ(row->text(QAccessible::Name), QStringLiteral("clip %1, 00:00:00").arg(i));
            if (!row->state().invisible)
                names.append(row->text(QAccessible::Name));
            ids.push_back(QAccessible::uniqueId(row));
        }
        EXPECT_LT(std::count_if(ids.begin(), ids.end(), [](QAccessible::Id id) { return QAccessible::accessibleInterface(id); }),
                  300);
        return names;
    };
    QStringList names = namesInView();
    EXPECT_EQ(names.value(0), "clip 0, 00:00:00");
    EXPECT_EQ(names.size(), (view->viewport()->height() + BrowserRow::height() - 1) / BrowserRow::height());

    // At the end: the last row shown with its selection bar, the first not shown.
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    names = namesInView();
    EXPECT_EQ(names.value(names.size() - 1), "clip 299, 00:00:00");
    EXPECT_FALSE(names.contains("clip 0, 00:00:00"));
    const QRect last = view->visualRect(model.index(299));
    EXPECT_TRUE(view->viewport()->rect().contains(last));
    EXPECT_EQ(view->viewport()->grab().toImage().pixel(1, last.center().y()), Theme::accent().rgb());
    EXPECT_EQ(list.findChildren<QWidget*>().size(), widgets);
    // The keyboard's focus is on the current row, not on the list.
    view->setFocus();
    view->setCurrentIndex(model.index(297));
    ASSERT_TRUE(view->hasFocus());
    EXPECT_FALSE(rows->state().focused);
    QAccessibleInterface* focused = rows->focusChild();
    ASSERT_NE(focused, nullptr);
    EXPECT_TRUE(focused->state().focused);
    EXPECT_EQ(focused->text(QAccessible::Name), "clip 297, 00:00:00");

    // A duration arriving for a row out of view, then for one in view: that
    // row alone changes, and is the only one painted again.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    PaintRecorder recorder(view->viewport());
    const auto changedRows = [&] {
        std::vector<std::pair<int, int>> rows;
        for (const auto& signal : changed)
            rows.emplace_back(signal[0].toModelIndex().row(), signal[1].toModelIndex().row());
        changed.clear();
        return rows;
    };
    const auto paintedOnly = [&](int row) {
        const bool painted = waitUntil([&] { return !recorder.painted.isEmpty(); });
        const QRegion beyond = recorder.painted - view->visualRect(model.index(row));
        recorder.painted = {};
        return painted && beyond.isEmpty();
    };
    files[0]->setDuration(61.0);
    files[297]->setDuration(3723.0);
    EXPECT_EQ(changedRows(), (std::vector<std::pair<int, int>> { { 0, 0 }, { 297, 297 } }));
    EXPECT_TRUE(paintedOnly(297));
    EXPECT_EQ(focused->text(QAccessible::Name), "clip 297, 01:02:03");

    // A thumbnail: the row shows its placeholder, then the picture once decoded.
    QImage red(160, 90, QImage::Format_RGB32);
    red.fill(Qt::red);
    files[298]->setThumbnail(PackedPicture::pack(red));
    ASSERT_TRUE(waitUntil([&] { return changed.size() >= 2; }));
    EXPECT_EQ(changedRows(), (std::vector<std::pair<int, int>> { { 298, 298 }, { 298, 298 } }));
    EXPECT_TRUE(paintedOnly(298));
    const BrowserRow::Geometry row = BrowserRow::geometry(model.look(298), view->visualRect(model.index(298)));
    const QColor centre = view->viewport()->grab().toImage().pixelColor(row.thumbnail.center());
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.green(), 60);

    // The list changes near the view: the current row stays with its file,
    // and so does the view; then a change too scattered to tell row by row.
    view->setCurrentIndex(model.index(296));
    EXPECT_EQ(rows->focusChild()->text(QAccessible::Name), "clip 296, 00:00:00");
    BrowserFiles::Files near(files.begin(), files.end());
    near.erase(near.begin() + 295);
    std::swap(near[280], near[290]);
    const int scrolled = bar->value();
    list.setFiles(near);
    QApplication::processEvents();
    EXPECT_EQ(model.files(), near);
    EXPECT_EQ(view->currentIndex().row(), 295);
    EXPECT_EQ(model.rowOf(files[299]->id()), 298);
    EXPECT_EQ(bar->value(), std::min(scrolled, bar->maximum()));
    BrowserFiles::Files twice = near;
    twice.insert(twice.begin() + 10, near[200]);
    list.setFiles(twice);
    EXPECT_EQ(model.files(), near) << "a file listed twice has one row";
    BrowserFiles::Files scattered;
    for (std::size_t i = 0; i < near.size(); ++i) {
        if (i % 10 != 3)
            scattered.push_back(near[i]);
    }
    list.setFiles(scattered);
    QApplication::processEvents();
    EXPECT_EQ(model.files(), scattered);
    EXPECT_EQ(model.file(view->currentIndex().row()), files[296]);
    EXPECT_EQ(bar->value(), bar->maximum());
}

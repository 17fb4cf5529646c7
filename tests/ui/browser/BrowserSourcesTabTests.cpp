// The sources tab and the add-source form driven through the real catalogue:
// hot-plugged devices, manual feeds added through the form, removed, and
// dragged as live items.
#include "BrowserTestFixture.h"

#include "media/MediaDrop.h"
#include "support/TestSupport.h"
#include "ui/browser/AddSourceView.h"
#include "ui/browser/SourceRow.h"
#include "ui/browser/SourceSection.h"
#include "ui/browser/SourcesList.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Popover.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>

using namespace tessarin;
using namespace tessarin::test;

namespace {

AddSourceView* openForm(SourceSection& section)
{
    QTest::mouseClick(section.addButton(), Qt::LeftButton);
    EXPECT_TRUE(section.isAdding());
    Popover* popover = section.addPopover();
    if (!popover || !popover->isVisible())
        return nullptr;
    return qobject_cast<AddSourceView*>(popover->content());
}

std::shared_ptr<MediaFile> dropOnBlock(const QMimeData& data)
{
    std::shared_ptr<MediaFile> item;
    bool done = false;
    MediaDrop::loadItems(MediaDrop::items(data), [&](std::vector<std::shared_ptr<MediaFile>> items) {
        EXPECT_EQ(items.size(), 1u);
        if (!items.empty())
            item = items.front();
        done = true;
    });
    EXPECT_TRUE(waitUntil([&] { return done; }));
    return item;
}

} // namespace

using BrowserSourcesTab = BrowserFixture;

TEST_F(BrowserSourcesTab, DevicesComeAndGoWhileTheTabShows)
{
    QTest::mouseClick(column->tabPicker()->segment(1), Qt::LeftButton);
    SourceSection* capture = column->sourcesList()->section(LiveSourceKind::capture);
    ASSERT_NE(capture, nullptr);
    EXPECT_TRUE(capture->isVisible());
    EXPECT_EQ(capture->countText(), "0");
    EXPECT_TRUE(capture->rows().empty());
    EXPECT_EQ(capture->addButton(), nullptr) << "devices are not added by hand";

    enumerator->list = { { "usb-cam-1", "HD Webcam", "/dev/video0", {} }, { "usb-cap-2", "Capture Card", "/dev/video2", {} } };
    enumerator->watcher(true);
    auto rows = capture->rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(capture->countText(), "2");
    EXPECT_EQ(rows[0]->source().name, "HD Webcam");
    EXPECT_EQ(rows[1]->index(), 1);
    EXPECT_EQ(rows[0]->detailText(), QString()) << "capture rows have no second line";
    EXPECT_EQ(capture->makeContextMenu(rows[0]), nullptr) << "no \"Rimuovi\" for a device";

    SourceRow* webcam = rows[0];
    enumerator->list.erase(enumerator->list.begin());
    enumerator->watcher(false);
    rows = capture->rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->source().name, "Capture Card");
    EXPECT_EQ(rows[0]->index(), 0) << "the stripes start dark again";

    // The catalogue gives devices new ids at every listing; a row stays with its device.
    SourceRow* card = rows[0];
    enumerator->watcher(true);
    rows = capture->rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], card);
    EXPECT_EQ(rows[0]->source(), library.captureSources()[0]);
    (void)webcam;

    // The dragged device becomes a live item for exactly that source.
    std::unique_ptr<QMimeData> data(rows[0]->makeDragData());
    auto item = dropOnBlock(*data);
    ASSERT_TRUE(item && item->liveSource());
    EXPECT_EQ(*item->liveSource(), library.captureSources()[0]);

    // Its menu, opened by Shift+F10, offers where its drag could go with the same data.
    QString offered;
    column->setRowDestinations([&](QMenu& menu, const QMimeData& dragged) {
        offered = dragged.text();
        menu.addAction(QStringLiteral("Blocco A"));
    });
    QTest::keyClick(rows[0], Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().size(), 1) << "a device has no \"Rimuovi\"";
    EXPECT_EQ(offered, data->text());
    menu->close();
}

TEST_F(BrowserSourcesTab, ManualSourceIsAddedThroughTheFormDraggedAndRemoved)
{
    column->setTab(BrowserTab::sources);
    SourceSection* rtmp = column->sourcesList()->section(LiveSourceKind::rtmp);
    SourceSection* srt = column->sourcesList()->section(LiveSourceKind::srt);
    EXPECT_EQ(rtmp->countText(), "0");

    // Escape drops what was typed; the next form starts empty.
    AddSourceView* form = openForm(*rtmp);
    ASSERT_NE(form, nullptr);
    QTest::keyClicks(form->addressField(), "rtmp://host/live/x");
    QTest::keyClick(form->addressField(), Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !rtmp->isAdding(); }));
    EXPECT_TRUE(library.manualSources().empty());
    form = openForm(*rtmp);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->addressField()->text().isEmpty());

    // Tab goes down the form as it reads: name, address, listener, buttons.
    std::vector<QWidget*> tabStops;
    for (QWidget* w = form->nameField()->nextInFocusChain(); w != form->nameField() && tabStops.size() < 10;
         w = w->nextInFocusChain()) {
        if (form->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(form))
            tabStops.push_back(w);
    }
    EXPECT_EQ(tabStops, (std::vector<QWidget*> { form->addressField(), form->listenToggle(), form->cancelButton(),
                                                  form->addButton() }));

    // Blank addresses keep "Aggiungi" off and Return does nothing.
    EXPECT_FALSE(form->addButton()->isEnabled());
    QTest::keyClicks(form->addressField(), " \t ");
    EXPECT_FALSE(form->addButton()->isEnabled());
    QTest::keyClick(form->addressField(), Qt::Key_Return);
    EXPECT_TRUE(rtmp->isAdding());

    form->addressField()->clear();
    QTest::keyClicks(form->addressField(), "  rtmp://0.0.0.0:1935/live/key  ");
    ASSERT_NE(form->listenToggle(), nullptr);
    form->listenToggle()->setChecked(true);
    QTest::keyClick(form->addressField(), Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return !rtmp->isAdding(); }));

    ASSERT_EQ(library.manualSources().size(), 1u);
    const LiveSource added = library.manualSources()[0];
    EXPECT_EQ(added.kind, LiveSourceKind::rtmp);
    EXPECT_EQ(added.address, "rtmp://0.0.0.0:1935/live/key");
    EXPECT_EQ(added.name, added.address) << "an empty name becomes the address";
    EXPECT_TRUE(added.listen);
    auto rows = rtmp->rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rtmp->countText(), "1");
    EXPECT_EQ(rows[0]->detailText(), "in ascolto · rtmp://0.0.0.0:1935/live/key");
    // A Tab stop at once, in its place: right after its section's add button.
    QWidget* next = rtmp->addButton()->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    EXPECT_EQ(next, rows[0]);
    EXPECT_TRUE(srt->rows().empty());

    // Dragged to a block it becomes a live item of that very source.
    std::unique_ptr<QMimeData> data(rows[0]->makeDragData());
    auto item = dropOnBlock(*data);
    ASSERT_TRUE(item && item->liveSource());
    EXPECT_EQ(*item->liveSource(), added);

    // "Rimuovi" takes the row away at once and the removal is stored.
    std::unique_ptr<QMenu> menu(rtmp->makeContextMenu(rows[0]));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Rimuovi");
    menu->actions()[0]->trigger();
    EXPECT_TRUE(rtmp->rows().empty());
    EXPECT_EQ(rtmp->countText(), "0");
    EXPECT_TRUE(SourceLibrary::loadManualSources(settings).empty());
    EXPECT_EQ(*item->liveSource(), added) << "items made from it keep their copy";
}

TEST_F(BrowserSourcesTab, AddSourcePopoverReportsWhatItAdded)
{
    std::vector<std::optional<LiveSource>> reports;
    auto collect = [&](std::optional<LiveSource> source) { reports.push_back(std::move(source)); };

    // Added: the report is the catalogue's new source.
    Popover* popover = presentAddSource(column.get(), LiveSourceKind::srt, library, collect);
    auto* form = qobject_cast<AddSourceView*>(popover->content());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->listenToggle(), nullptr) << "an SRT listener is asked for in the address";
    // Open with the focus on the name, the first field, which Tab reaches
    // again from the last button that takes it ("Aggiungi" is off).
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == form->nameField(); }));
    form->cancelButton()->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), form->cancelButton());
    QTest::keyClick(form->cancelButton(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->nameField());
    QTest::keyClicks(form->nameField(), " Regia ");
    QTest::keyClicks(form->addressField(), "rtmp://elsewhere/app");
    QTest::mouseClick(form->addButton(), Qt::LeftButton);
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_TRUE(reports[0].has_value());
    EXPECT_EQ(*reports[0], library.manualSources().back());
    EXPECT_EQ(reports[0]->name, "Regia");
    EXPECT_EQ(reports[0]->kind, LiveSourceKind::srt) << "the form's kind, whatever the address says";

    // Cancelled, or an address of line breaks only: nothing added, nothing reported.
    popover = presentAddSource(column.get(), LiveSourceKind::rtmp, library, collect);
    form = qobject_cast<AddSourceView*>(popover->content());
    QTest::keyClicks(form->addressField(), "rtmp://x");
    QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
    popover = presentAddSource(column.get(), LiveSourceKind::rtmp, library, collect);
    form = qobject_cast<AddSourceView*>(popover->content());
    form->addressField()->setText(QStringLiteral("\n"));
    EXPECT_TRUE(form->addButton()->isEnabled());
    QTest::mouseClick(form->addButton(), Qt::LeftButton);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_FALSE(reports[1].has_value());
    EXPECT_FALSE(reports[2].has_value());
    EXPECT_EQ(library.manualSources().size(), 1u);
}

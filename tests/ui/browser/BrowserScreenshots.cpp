// Renders the browser's fixture states to PNG files for a person to compare
// with the intended look, in Italian and English. Runs only when
// TESSARIN_SCREENSHOT_DIR names the folder to write to; skipped otherwise.
#include "BrowserTestFixture.h"

#include "platform/Localization.h"
#include "platform/Workers.h"
#include "support/TestSupport.h"
#include "ui/browser/AddSourceView.h"
#include "ui/browser/BrowserFileList.h"
#include "ui/browser/BrowserFileModel.h"
#include "ui/browser/BrowserMediaList.h"
#include "ui/browser/BrowserRow.h"
#include "ui/browser/SourceSection.h"
#include "ui/browser/SourcesList.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Popover.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTest>

#include <algorithm>

using namespace tessarin;
using namespace tessarin::test;

namespace {

// Rows decode their pictures in the background: the ones on screen have come.
void settleThumbnails()
{
    QApplication::processEvents();
    Workers::userInitiated().waitForIdle(20.0);
    QApplication::processEvents();
}

// The application's dark look (the app library is not linked here).
void applyLook()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x1e, 0x1f, 0x22));
    p.setColor(QPalette::WindowText, QColor(235, 235, 235));
    p.setColor(QPalette::Base, QColor(0x16, 0x17, 0x19));
    p.setColor(QPalette::Text, QColor(235, 235, 235));
    p.setColor(QPalette::Button, QColor(0x2b, 0x2d, 0x31));
    p.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    p.setColor(QPalette::PlaceholderText, QColor(120, 120, 120));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xeb));
    QApplication::setPalette(p);
}

} // namespace

using BrowserScreenshots = BrowserFixture;

TEST_F(BrowserScreenshots, MediaTabSourcesTabAndAddForm)
{
    const QString out = qEnvironmentVariable("TESSARIN_SCREENSHOT_DIR");
    if (out.isEmpty())
        GTEST_SKIP() << "set TESSARIN_SCREENSHOT_DIR to render the browser's screenshots";
    QDir().mkpath(out);
    applyLook();
    const QStringList names { "clip_30s.mp4", "clip_5s.mov", "tone_half.mp3", "still.png", "still.jpg", "tone_half.wav" };
    enumerator->list = { { "usb-cam-1", "HD Webcam C920", "/dev/video0", {} } };
    enumerator->watcher(true);
    library.addManualSource(LiveSourceKind::rtmp, "OBS regia", "rtmp://0.0.0.0:1935/live/regia", true);
    library.addManualSource(LiveSourceKind::srt, "", "srt://10.0.0.5:9000", false);

    for (const QString& language : { QStringLiteral("it"), QStringLiteral("en") }) {
        Localization::apply(language);
        files.setBrowserFiles({});
        column = std::make_unique<BrowserColumnView>(files, library);
        column->setDialogs(dialogs);
        column->resize(260, 560);
        column->show();
        column->grab().save(QDir(out).filePath(QStringLiteral("browser-empty-%1.png").arg(language)));

        BrowserFiles::Files list;
        for (const QString& name : names)
            list.push_back(MediaFile::create(QUrl::fromLocalFile(mediaPath(name))));
        files.setBrowserFiles(list);
        waitUntil([&] {
            for (const auto& f : list) {
                if (f->duration() <= 0 || (!f->isAudioOnly() && !f->hasThumbnail()))
                    return false;
            }
            return true;
        }, 60);
        settleThumbnails();
        BrowserFileList* view = column->mediaList()->view();
        const auto rowCentre = [&](int row) { return view->visualRect(view->model()->index(row, 0)).center(); };
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowCentre(1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowCentre(3));
        column->grab().save(QDir(out).filePath(QStringLiteral("browser-media-%1.png").arg(language)));
        const QString name = BrowserRow::displayName(*list[1]);
        const qreal dpr = column->devicePixelRatioF();
        BrowserRow::dragPreview(name, 3, dpr).save(QDir(out).filePath(QStringLiteral("browser-drag-several-%1.png").arg(language)));
        BrowserRow::dragPreview(name, 1, dpr).save(QDir(out).filePath(QStringLiteral("browser-drag-one-%1.png").arg(language)));

        // A long list scrolled to its end and back: the rows there show
        // their own files' pictures, decoded as they come into view.
        BrowserFiles::Files longList = list;
        for (int i = 0; i < 114; ++i)
            longList.push_back(MediaFile::create(QUrl::fromLocalFile(mediaPath(names[i % names.size()]))));
        files.setBrowserFiles(longList);
        waitUntil([&] {
            return std::all_of(longList.begin(), longList.end(), [](const auto& f) {
                return f->duration() > 0 && (f->isAudioOnly() || f->hasThumbnail());
            });
        }, 60);
        QScrollBar* bar = view->verticalScrollBar();
        bar->setValue(bar->maximum());
        settleThumbnails();
        column->grab().save(QDir(out).filePath(QStringLiteral("browser-media-end-%1.png").arg(language)));
        bar->setValue(0);
        settleThumbnails();
        column->grab().save(QDir(out).filePath(QStringLiteral("browser-media-back-%1.png").arg(language)));

        column->setTab(BrowserTab::sources);
        column->grab().save(QDir(out).filePath(QStringLiteral("browser-sources-%1.png").arg(language)));

        for (LiveSourceKind kind : { LiveSourceKind::rtmp, LiveSourceKind::srt }) {
            SourceSection* section = column->sourcesList()->section(kind);
            QTest::mouseClick(section->addButton(), Qt::LeftButton);
            Popover* popover = section->addPopover();
            ASSERT_NE(popover, nullptr);
            auto* form = qobject_cast<AddSourceView*>(popover->content());
            if (kind == LiveSourceKind::rtmp)
                form->addressField()->setText(QStringLiteral("rtmp://0.0.0.0:1935/live/chiave"));
            popover->grab().save(QDir(out).filePath(
                QStringLiteral("browser-add-%1-%2.png").arg(LiveSourceKinds::rawValue(kind), language)));
            popover->hide();
            drainMainQueue();
        }
    }
    Localization::apply(QStringLiteral("it"));
}

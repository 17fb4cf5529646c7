#include "ui/browser/BrowserColumnView.h"

#include "media/MediaDrop.h"
#include "media/MediaFile.h"
#include "platform/MainThread.h"
#include "platform/Workers.h"
#include "ui/browser/BrowserDialogs.h"
#include "ui/browser/BrowserFileList.h"
#include "ui/browser/BrowserMediaList.h"
#include "ui/browser/BrowserRow.h"
#include "ui/browser/MediaImport.h"
#include "ui/browser/SourcesList.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/SectionTitle.h"
#include "ui/kit/Theme.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tessarin {
namespace {

constexpr int kMinWidth = 230;
constexpr int kMaxWidth = 290;

std::vector<QUrl> localFileURLs(const QMimeData& data)
{
    std::vector<QUrl> urls;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile())
            urls.push_back(url);
    }
    return urls;
}

} // namespace

BrowserColumnView::BrowserColumnView(BrowserFiles& files, SourceLibrary& sources, QWidget* parent)
    : QWidget(parent)
    , files_(files)
    , dialogs_(makeQtBrowserDialogs())
    , addButton_(new IconButton(QStringLiteral("plus"), tr("Aggiungi file…")))
    , tabPicker_(new SegmentedControl)
    , content_(new QStackedWidget(this))
    , mediaList_(new BrowserMediaList)
    , sourcesList_(new SourcesList(sources))
{
    setMinimumWidth(kMinWidth);
    setMaximumWidth(kMaxWidth);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setAcceptDrops(true);

    auto* header = new HeaderFill(this);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(10, 8, 10, 8);
    headerLayout->setSpacing(8);
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 0, 0, 0);
    auto* titleLine = new QWidget(header);
    titleLine->setFixedHeight(24);
    titleLine->setLayout(titleRow);
    titleRow->addWidget(new SectionTitle(tr("Browser"), QStringLiteral("tray.full"), titleLine));
    titleRow->addStretch(1);
    addButton_->setParent(titleLine);
    addButton_->setGlyphColor(Theme::accent());
    titleRow->addWidget(addButton_);
    headerLayout->addWidget(titleLine);
    for (BrowserTab tab : BrowserTabs::allCases)
        tabPicker_->addSegment(BrowserTabs::title(tab));
    tabPicker_->setParent(header);
    tabPicker_->setCurrentIndex(0);
    tabPicker_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed); // the segments share the width
    headerLayout->addWidget(tabPicker_);

    content_->addWidget(mediaList_);
    content_->addWidget(sourcesList_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(new ColorLine(this));
    layout->addWidget(content_, 1);

    connect(addButton_, &QAbstractButton::clicked, this, &BrowserColumnView::pickFiles);
    connect(tabPicker_, &SegmentedControl::activated, this, [this](int index) {
        setTab(BrowserTabs::allCases[std::size_t(std::clamp(index, 0, 1))]);
    });
    BrowserFileList* list = mediaList_->view();
    // Each takes its own hold of the row's file: the list's rows are rebuilt
    // whenever the browser's files change, and a drag runs the event loop.
    connect(list, &BrowserFileList::rowClicked, this, [this](int row, Qt::KeyboardModifiers modifiers) {
        const std::shared_ptr<MediaFile> file = mediaList_->files()[std::size_t(row)];
        select(file, row, modifiers);
    });
    connect(list, &BrowserFileList::dragRequested, this, [this](int row, const QPoint& hotSpot) {
        const std::shared_ptr<MediaFile> file = mediaList_->files()[std::size_t(row)];
        startDrag(file, hotSpot);
    });
    connect(list, &BrowserFileList::menuRequested, this, [this](int row, const QPoint& at) {
        const std::shared_ptr<MediaFile> file = mediaList_->files()[std::size_t(row)];
        QMenu* menu = makeContextMenu(file);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });
    connect(&files_, &BrowserFiles::browserFilesChanged, this, &BrowserColumnView::reloadFiles);
    reloadFiles();
}

BrowserColumnView::~BrowserColumnView() = default;

QSize BrowserColumnView::sizeHint() const
{
    // The column prefers its widest, whatever it holds: the main area's row
    // gives it that before the centre column grows, and takes it back first
    // when the window narrows.
    return { maximumWidth(), QWidget::sizeHint().height() };
}

void BrowserColumnView::setDialogs(std::shared_ptr<BrowserDialogs> dialogs)
{
    dialogs_ = std::move(dialogs);
}

void BrowserColumnView::setTab(BrowserTab tab)
{
    tab_ = tab;
    tabPicker_->setCurrentIndex(tab == BrowserTab::media ? 0 : 1);
    content_->setCurrentWidget(tab == BrowserTab::media ? static_cast<QWidget*>(mediaList_) : sourcesList_);
    addButton_->setVisible(tab == BrowserTab::media);
    setTargeted(false);
}

void BrowserColumnView::reloadFiles()
{
    selection_.keepOnly(files_.browserFiles());
    mediaList_->setFiles(files_.browserFiles());
    showSelection();
}

void BrowserColumnView::showSelection()
{
    mediaList_->setSelection(selection_.ids());
}

// ---- Adding files

void BrowserColumnView::pickFiles()
{
    if (isPickingFiles_ || !dialogs_)
        return;
    isPickingFiles_ = true;
    QPointer<BrowserColumnView> self(this);
    dialogs_->chooseMediaFiles(window(), [self](std::vector<QUrl> urls) {
        if (!self)
            return;
        self->isPickingFiles_ = false;
        self->addFiles(urls);
    });
}

void BrowserColumnView::addFiles(const std::vector<QUrl>& urls)
{
    std::vector<QUrl> badNames;
    BrowserFiles::Files list = files_.browserFiles();
    const std::size_t before = list.size();
    for (const QUrl& url : urls) {
        if (!hasUtf8FileName(url))
            badNames.push_back(url);
        else
            list.push_back(MediaFile::create(url));
    }
    if (list.size() != before)
        files_.setBrowserFiles(std::move(list));
    warnAboutNames(badNames);
}

bool BrowserColumnView::handleDrop(const std::vector<QUrl>& urls)
{
    if (urls.empty())
        return false;
    QPointer<BrowserColumnView> self(this);
    Workers::userInitiated().async([self, urls] {
        SortedDrop sorted = sortDroppedFiles(urls);
        postToMain([self, sorted = std::move(sorted)] {
            if (!self)
                return;
            std::vector<QUrl> all = sorted.accepted;
            all.insert(all.end(), sorted.badNames.begin(), sorted.badNames.end());
            self->addFiles(all);
            emit self->dropHandled();
        });
    });
    return true;
}

void BrowserColumnView::warnAboutNames(const std::vector<QUrl>& badNames)
{
    if (badNames.empty() || !dialogs_)
        return;
    QStringList names;
    for (const QUrl& url : badNames)
        names.append(displayFileName(url));
    const QString reason = tr("Il nome del file non è testo UTF-8 valido: lo show non potrebbe salvarlo e il file "
                              "andrebbe perso alla riapertura. Rinomina il file e aggiungilo di nuovo.");
    if (names.size() == 1) {
        dialogs_->warn(window(), tr("Impossibile aggiungere “%1”").arg(names.front()), reason);
        return;
    }
    dialogs_->warn(window(), tr("Impossibile aggiungere %1 file").arg(names.size()),
                   reason + QStringLiteral("\n\n") + names.join(QLatin1Char('\n')));
}

// ---- Selection, drag and removal

void BrowserColumnView::select(const std::shared_ptr<MediaFile>& file, int index, Qt::KeyboardModifiers modifiers)
{
    selection_.click(files_.browserFiles(), *file, index, modifiers.testFlag(Qt::ShiftModifier),
                     modifiers.testFlag(Qt::ControlModifier));
    showSelection();
}

QMimeData* BrowserColumnView::dragProvider(const std::shared_ptr<MediaFile>& file)
{
    const BrowserFiles::Files dragged = selection_.dragTargets(files_.browserFiles(), *file);
    showSelection();
    return dragData(dragged);
}

QMimeData* BrowserColumnView::dragData(const BrowserFiles::Files& files)
{
    auto* data = new QMimeData;
    if (files.size() > 1) {
        std::vector<QUrl> urls;
        for (const auto& f : files)
            urls.push_back(f->url());
        data->setText(FileDragPayload::encode(urls));
    } else if (!files.empty()) {
        data->setUrls({ files.front()->url() });
    }
    return data;
}

void BrowserColumnView::setRowDestinations(RowDestinations destinations)
{
    destinations_ = std::move(destinations);
    sourcesList_->setRowDestinations(destinations_);
}

void BrowserColumnView::startDrag(const std::shared_ptr<MediaFile>& file, const QPoint& hotSpot)
{
    QMimeData* data = dragProvider(file);
    const int count = int(selection_.selectedFiles(files_.browserFiles()).size());
    const QPixmap preview = BrowserRow::dragPreview(BrowserRow::displayName(*file), count, devicePixelRatioF());
    // Owned by the column: the file may leave the list while the drag runs.
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(preview);
    drag->setHotSpot(QPoint(std::min(hotSpot.x(), preview.width() / 2), preview.height() / 2));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

BrowserFiles::Files BrowserColumnView::removalTargets(const std::shared_ptr<MediaFile>& file) const
{
    return selection_.removalTargets(files_.browserFiles(), file);
}

QMenu* BrowserColumnView::makeContextMenu(const std::shared_ptr<MediaFile>& file)
{
    auto* menu = new QMenu(this);
    if (destinations_) {
        const std::unique_ptr<QMimeData> dragged(dragData(removalTargets(file)));
        destinations_(*menu, *dragged);
        if (!menu->isEmpty())
            menu->addSeparator();
    }
    QAction* selectAll = menu->addAction(tr("Seleziona tutto"));
    connect(selectAll, &QAction::triggered, this, [this] {
        selection_.selectAll(files_.browserFiles());
        showSelection();
    });
    const BrowserFiles::Files targets = removalTargets(file);
    const QString title = targets.size() >= 2 ? tr("Rimuovi %1 file dal browser").arg(targets.size())
                                              : tr("Rimuovi dal browser");
    QSet<QUuid> ids;
    for (const auto& f : targets)
        ids.insert(f->id());
    QAction* remove = menu->addAction(title);
    remove->setProperty("destructive", true);
    connect(remove, &QAction::triggered, this, [this, ids] {
        BrowserFiles::Files kept;
        for (const auto& f : files_.browserFiles()) {
            if (!ids.contains(f->id()))
                kept.push_back(f);
        }
        selection_.remove(ids);
        files_.setBrowserFiles(std::move(kept));
    });
    return menu;
}

// ---- Drop target

bool BrowserColumnView::acceptsDrag(const QDropEvent* event) const
{
    if (tab_ != BrowserTab::media || !event->mimeData())
        return false;
    // A row dragged back onto the column would only add the file twice.
    if (auto* source = qobject_cast<QWidget*>(event->source()); source && (source == this || isAncestorOf(source)))
        return false;
    return !localFileURLs(*event->mimeData()).empty();
}

void BrowserColumnView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!acceptsDrag(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setTargeted(true);
}

void BrowserColumnView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!acceptsDrag(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void BrowserColumnView::dragLeaveEvent(QDragLeaveEvent*)
{
    setTargeted(false);
}

void BrowserColumnView::dropEvent(QDropEvent* event)
{
    setTargeted(false);
    if (!acceptsDrag(event) || !handleDrop(localFileURLs(*event->mimeData()))) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void BrowserColumnView::setTargeted(bool targeted)
{
    if (isTargeted_ == targeted)
        return;
    isTargeted_ = targeted;
    update();
}

void BrowserColumnView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool tinted = isTargeted_ && tab_ == BrowserTab::media;
    p.fillRect(rect(), tinted ? Theme::withAlpha(Theme::accent(), 0.12) : Theme::panel());
}

} // namespace tessarin

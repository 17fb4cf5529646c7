#include "ui/schedule/EventContentPickers.h"

#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "media/SourceLibrary.h"
#include "platform/Icons.h"
#include "show/BrowserFiles.h"
#include "ui/browser/AddSourceView.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/DialogFocus.h"
#include "ui/kit/DisplayName.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/LiveSourceChoices.h"
#include "ui/schedule/ScheduleEventDraft.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

#include <set>

namespace tessarin {

namespace {

constexpr int kSymbolSize = 14;

} // namespace

// ---- BlockPicker

BlockPicker::BlockPicker(ScheduleEventDraft& draft, std::function<Blocks()> blocks, QWidget* parent)
    : QWidget(parent)
    , draft_(draft)
    , blocks_(std::move(blocks))
    , combo_(new ElidingComboBox(this))
{
    combo_->setAccessibleName(tr("Blocco"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(combo_, 1);
    connect(combo_, &QComboBox::activated, this, [this](int index) {
        const QUuid id(combo_->itemData(index).toString());
        if (!id.isNull())
            draft_.setBlockID(id, blocks_());
    });
}

void BlockPicker::refresh()
{
    const Blocks blocks = blocks_();
    QStringList items;
    for (const auto& block : blocks) {
        QString label = block->name();
        if (block->hasLiveSource())
            label += tr(" · diretta");
        items << block->id().toString() + QLatin1Char('|') + label;
    }
    if (items != shownItems_) {
        shownItems_ = items;
        combo_->clear();
        for (const auto& block : blocks) {
            const QString& entry = items.at(combo_->count());
            combo_->addItem(entry.mid(entry.indexOf(QLatin1Char('|')) + 1), block->id().toString());
        }
    }
    combo_->setPlaceholderText(blocks.empty() ? tr("Nessun blocco: creane uno") : tr("Scegli un blocco"));
    const auto selected = draft_.selectedBlock(blocks);
    combo_->setCurrentIndex(selected ? combo_->findData(selected->id().toString()) : -1);
}

// ---- FilePicker

FilePicker::FilePicker(ScheduleEventDraft& draft, const BrowserFiles& browserFiles, QWidget* parent)
    : QWidget(parent)
    , draft_(draft)
    , browserFiles_(browserFiles)
    , chooser_(systemChooser())
    , icon_(new QLabel(this))
    , name_(new ElidedLabel({}, Qt::ElideMiddle, this))
    , fromBrowser_(new QToolButton(this))
    , choose_(new QPushButton(tr("Scegli file…"), this))
{
    icon_->setFixedSize(kSymbolSize, kSymbolSize);
    name_->setFont(Theme::font(13));
    fromBrowser_->setText(tr("Dal Browser"));
    fromBrowser_->setPopupMode(QToolButton::InstantPopup);
    fromBrowser_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    fromBrowser_->setMenu(new QMenu(fromBrowser_));
    fromBrowser_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    useKeyboardFocus(fromBrowser_); // Return opens its menu, as Space does

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(icon_);
    layout->addWidget(name_, 1);
    layout->addWidget(fromBrowser_);
    layout->addWidget(choose_);

    // Return confirms the sheet whatever button has the focus.
    choose_->setAutoDefault(false);
    connect(choose_, &QPushButton::clicked, this, &FilePicker::chooseFile);
    rebuildBrowserMenu();
}

void FilePicker::rebuildBrowserMenu()
{
    QList<QUuid> ids;
    for (const auto& item : browserFiles_.browserFiles())
        ids << (item ? item->id() : QUuid());
    if (shownBrowserItems_ && ids == *shownBrowserItems_)
        return;
    shownBrowserItems_ = ids;
    QMenu* menu = fromBrowser_->menu();
    menu->clear();
    for (const auto& item : browserFiles_.browserFiles()) {
        if (!item || item->isLive())
            continue;
        const QUrl url = item->url();
        // A new item of the same file: none of the browser item's settings
        // (trim, gain, mute, loop) come along.
        // A "&" of the name is shown, not taken for a mnemonic.
        connect(menu->addAction(itemDisplayName(*item).replace(QLatin1Char('&'), QStringLiteral("&&"))), &QAction::triggered, this,
                [this, url] { draft_.setMedia(MediaFile::create(url)); });
    }
    fromBrowser_->setVisible(!menu->isEmpty());
}

void FilePicker::refresh()
{
    const auto& media = draft_.event().media;
    const QString symbol = media && media->isImage() ? QStringLiteral("photo") : QStringLiteral("film");
    if (symbol != shownIcon_) {
        shownIcon_ = symbol;
        icon_->setPixmap(Icons::pixmap(symbol, Theme::textSecondary(), kSymbolSize, devicePixelRatioF()));
    }
    name_->setText(media ? itemDisplayName(*media) : tr("Nessun file scelto"));
    name_->setColor(media ? Theme::textPrimary() : Theme::textSecondary());
    rebuildBrowserMenu();
}

void FilePicker::chooseFile()
{
    if (picking_ || !chooser_)
        return;
    picking_ = true;
    QPointer<FilePicker> self(this);
    chooser_(window(), [self](std::optional<QUrl> url) {
        if (!self)
            return;
        self->picking_ = false;
        if (url && url->isValid())
            self->draft_.setMedia(MediaFile::create(*url));
    });
}

QString FilePicker::shownName() const
{
    return name_->text();
}

MediaFileChooser FilePicker::systemChooser()
{
    return [](QWidget* parent, std::function<void(std::optional<QUrl>)> done) {
        auto* dialog = new QFileDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setNameFilters({tr("Video, immagini e audio (%1)")
                                    .arg(QStringLiteral("*.mp4 *.m4v *.mov *.qt *.mkv *.webm *.avi *.mpg *.mpeg *.ts "
                                                        "*.mts *.m2ts *.mxf *.dv *.wmv *.flv *.png *.jpg *.jpeg "
                                                        "*.gif *.bmp *.tif *.tiff *.webp *.heic *.mp3 *.wav *.aif "
                                                        "*.aiff *.aac *.m4a *.flac *.ogg *.opus *.wma"))});
        // The widget-based dialog never emits urlSelected (only the native
        // helpers do), so the answer is read from the dialog when it closes.
        QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done](int result) {
            const QList<QUrl> urls = dialog->selectedUrls();
            if (result == QDialog::Accepted && !urls.isEmpty())
                done(urls.first());
            else
                done(std::nullopt);
        });
        returnFocusWhenClosed(dialog);
        dialog->open();
    };
}

// ---- LivePicker

LivePicker::LivePicker(ScheduleEventDraft& draft, SourceLibrary& sources, QWidget* parent)
    : QWidget(parent)
    , draft_(draft)
    , sources_(sources)
    , combo_(new ElidingComboBox(this))
    , addRow_(new QWidget(this))
    , addRTMP_(new QPushButton(tr("Nuova %1…").arg(LiveSourceKinds::title(LiveSourceKind::rtmp)), addRow_))
    , addSRT_(new QPushButton(tr("Nuova %1…").arg(LiveSourceKinds::title(LiveSourceKind::srt)), addRow_))
{
    combo_->setAccessibleName(tr("Sorgente"));
    combo_->setModel(new QStandardItemModel(combo_));
    combo_->setPlaceholderText(tr("Scegli una sorgente"));

    for (QPushButton* button : {addRTMP_, addSRT_}) {
        button->setFont(Theme::font(11));
        button->setAutoDefault(false);
    }
    auto* row = new QHBoxLayout(addRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(addRTMP_);
    row->addWidget(addSRT_);
    row->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(combo_);
    layout->addWidget(addRow_);

    connect(combo_, &QComboBox::activated, this, [this](int index) {
        const QString key = combo_->itemData(index).toString();
        if (const auto source = LiveSourceChoices::source(key, sources_, draft_.event()))
            draft_.setMedia(MediaFile::create(*source));
    });
    connect(addRTMP_, &QPushButton::clicked, this, [this] { openAddSource(LiveSourceKind::rtmp); });
    connect(addSRT_, &QPushButton::clicked, this, [this] { openAddSource(LiveSourceKind::srt); });
}

QPushButton* LivePicker::addButton(LiveSourceKind kind) const
{
    switch (kind) {
    case LiveSourceKind::rtmp: return addRTMP_;
    case LiveSourceKind::srt: return addSRT_;
    default: return nullptr;
    }
}

void LivePicker::refresh()
{
    const auto& event = draft_.event();
    struct Row {
        QString text;
        QString key; // empty for a section header
    };
    std::vector<Row> rows;
    for (const LiveSourceKind kind : LiveSourceKinds::offered()) {
        const auto choices = LiveSourceChoices::choices(kind, sources_, event);
        if (choices.empty())
            continue;
        rows.push_back({LiveSourceKinds::title(kind), {}});
        // Sources with one kind and address are one choice: the first.
        std::set<QString> keys;
        for (const LiveSource& source : choices) {
            const QString key = LiveSourceChoices::key(source);
            if (keys.insert(key).second)
                rows.push_back({source.name, key});
        }
    }
    QStringList items;
    for (const Row& row : rows)
        items << row.key + QLatin1Char('\n') + row.text;
    if (items != shownItems_) {
        shownItems_ = items;
        auto* model = static_cast<QStandardItemModel*>(combo_->model());
        model->clear();
        for (const Row& row : rows) {
            auto* item = new QStandardItem(row.text);
            if (row.key.isEmpty()) {
                item->setFlags(Qt::NoItemFlags);
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            } else {
                item->setData(row.key, Qt::UserRole);
            }
            model->appendRow(item);
        }
    }
    const auto key = LiveSourceChoices::liveKey(event);
    combo_->setCurrentIndex(key ? combo_->findData(*key) : -1);
}

Popover* LivePicker::popover() const
{
    return popover_;
}

void LivePicker::openAddSource(LiveSourceKind kind)
{
    if (popover_)
        popover_->hide();
    addingSourceKind_ = kind;
    QPointer<LivePicker> self(this);
    popover_ = presentAddSource(addRow_, kind, sources_, [self](std::optional<LiveSource> added) {
        if (!self)
            return;
        self->addingSourceKind_.reset();
        if (added)
            self->draft_.setMedia(MediaFile::create(*added));
    });
}

} // namespace tessarin

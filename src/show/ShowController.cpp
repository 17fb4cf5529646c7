#include "show/ShowController.h"

#include "platform/MainThread.h"
#include "platform/Workers.h"
#include "show/EngineShowContent.h"
#include "show/ShowFile.h"
#include "show/ShowMissingMedia.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <utility>

namespace tessarin {

ShowController::ShowController(ShowContent& content, Settings& settings, Clock& clock, ShowDialogs& dialogs,
                               QObject* parent)
    : QObject(parent)
    , content_(content)
    , settings_(settings)
    , dialogs_(dialogs)
    , tracker_(clock, {[this](ShowDocument recycled) { return content_.document(std::nullopt, std::move(recycled)); },
                       [this] { return content_.revision(); },
                       [this](ShowDocument& document, std::uint64_t since) {
                           return content_.update(document, since);
                       }})
{
    connect(&tracker_, &ShowChangeTracker::isDirtyChanged, this, [this] {
        emit isDirtyChanged();
        emit changed();
    });
    tracker_.markSaved(); // the empty show counts as saved

    const auto last = settings_.stringValue(QLatin1String(kLastShowPathKey));
    if (last && !last->isEmpty())
        lastFolder_ = QFileInfo(*last).absolutePath();
    if (last && !last->isEmpty() && QFileInfo::exists(*last))
        startShow_ = *last;
    postToMain([self = QPointer<ShowController>(this)] {
        if (!self)
            return;
        self->starting_ = false;
        if (const auto path = std::exchange(self->startShow_, std::nullopt))
            self->load(*path);
    });
}

ShowController::~ShowController() = default;

QString ShowController::displayName() const
{
    if (!fileURL_)
        return tr("Show senza titolo");
    const QFileInfo info(*fileURL_);
    const QString name = info.completeBaseName();
    return name.isEmpty() ? info.fileName() : name; // ".vellumcast" has no extension to drop
}

QString ShowController::title() const
{
    return isDirty() ? tr("%1 — modificato").arg(displayName()) : displayName();
}

void ShowController::newShow()
{
    if (!confirmDiscardingChanges())
        return;
    stopOpening();
    content_.reset();
    setFileURL(std::nullopt);
    settings_.remove(QLatin1String(kLastShowPathKey));
    tracker_.markSaved();
}

void ShowController::open()
{
    if (!confirmDiscardingChanges())
        return;
    if (const auto path = dialogs_.chooseShowToOpen(tr("Apri uno show di Tessarin"), panelFolder()))
        load(*path);
}

void ShowController::openFile(const QString& path)
{
    if (starting_) {
        startShow_ = path;
        return;
    }
    if (!confirmDiscardingChanges())
        return;
    load(path);
}

void ShowController::save()
{
    // Until the show being opened is listed, the show is the empty one
    // standing in for it: written now, it would take the place of the file
    // being opened.
    if (isOpening())
        return;
    if (fileURL_)
        write(*fileURL_);
    else
        saveAs();
}

bool ShowController::saveAs()
{
    if (isOpening())
        return false; // as save()
    const QString suggested = fileURL_ ? QFileInfo(*fileURL_).fileName() : QLatin1String(kDefaultFileName);
    const auto path = dialogs_.chooseShowToSave(suggested, tr("Salva lo show"), panelFolder());
    if (!path)
        return false;
    return write(*path);
}

bool ShowController::confirmDiscardingChanges()
{
    // Nothing of a show being opened can be lost: its file holds it, and
    // what is edited meanwhile is replaced when it is listed. Otherwise
    // compared whatever the revision says: the show is about to go.
    if (isOpening() || !tracker_.checkNow())
        return true;
    const auto answer = dialogs_.askToSaveChanges(
        tr("Salvare le modifiche allo show?"),
        tr("Le modifiche a \u201C%1\u201D andranno perse se non le salvi.").arg(displayName()));
    switch (answer) {
    case ShowDialogs::SaveAnswer::save:
        return fileURL_ ? write(*fileURL_) : saveAs();
    case ShowDialogs::SaveAnswer::dontSave:
        return true;
    case ShowDialogs::SaveAnswer::cancel:
        break;
    }
    return false;
}

bool ShowController::write(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString base = QFileInfo(absolute).absolutePath();
    const auto bytes = content_.document(base).toJson(ShowDocument::Layout::pretty);
    std::optional<QString> error;
    if (!bytes)
        error = tr("Lo show contiene un numero non valido.");
    else
        error = ShowFile::write(absolute, *bytes);
    if (error) {
        dialogs_.warn(tr("Impossibile salvare lo show"), *error);
        return false;
    }
    setFileURL(absolute);
    settings_.setString(QLatin1String(kLastShowPathKey), absolute);
    tracker_.markSaved();
    return true;
}

void ShowController::load(const QString& path)
{
    stopOpening();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const quint64 opening = opening_ = ++openings_;
    // The file and its decoding; nullopt when the end of the process came
    // between the two.
    using Read = std::pair<std::optional<ShowDocument>, ShowFile::Refusal>;
    const auto read = [absolute]() -> std::optional<Read> {
        Read result {std::nullopt, ShowFile::Refusal::unreadable};
        const auto bytes = ShowFile::read(absolute, &result.second);
        if (Workers::endRequested())
            return std::nullopt;
        if (bytes)
            result.first = ShowDocument::fromJson(*bytes);
        return result;
    };
    // A file refused before it is read (not a file, too large) is refused
    // at once, as a small one is read.
    const QFileInfo info(absolute);
    if (!info.isFile() || info.size() <= kReadAtOnceBytes || info.size() > ShowFile::maximumSize) {
        if (auto result = read())
            list(absolute, std::move(result->first), result->second);
        else
            opening_ = 0;
        return;
    }
    Workers::userInitiated().async([read, absolute, opening, self = QPointer<ShowController>(this)] {
        auto result = read();
        if (!result)
            return;
        postToMain([self, absolute, opening, result = std::make_shared<Read>(std::move(*result))] {
            if (self && self->opening_ == opening && !Workers::endRequested())
                self->list(absolute, std::move(result->first), result->second);
        });
    }, Workers::AtEnd::drop);
}

void ShowController::list(const QString& absolute, std::optional<ShowDocument> document, ShowFile::Refusal why)
{
    if (!document) {
        opening_ = 0;
        // A file that was read and is no show, or that failed to read for
        // another reason, is said to be no valid show; a path that could
        // not be read says why. Nothing of the running show has been touched.
        QString text = tr("Il file non è uno show valido di Tessarin.");
        switch (why) {
        case ShowFile::Refusal::notAFile:
            text = tr("Il percorso non indica un file ma una cartella, un dispositivo o una pipe.");
            break;
        case ShowFile::Refusal::tooLarge:
            text = tr("Il file è troppo grande per essere uno show (oltre %1 MB).")
                       .arg(ShowFile::maximumSize / (1024 * 1024));
            break;
        case ShowFile::Refusal::notFound: text = tr("Il file non esiste."); break;
        case ShowFile::Refusal::noPermission: text = tr("Non hai il permesso di leggere il file."); break;
        case ShowFile::Refusal::linkLoop:
            text = tr("Il percorso passa per collegamenti simbolici che rimandano a se stessi.");
            break;
        case ShowFile::Refusal::nameTooLong:
            text = tr("Il nome del file o il percorso è più lungo di quanto il file system consente.");
            break;
        case ShowFile::Refusal::unreadable: break;
        }
        dialogs_.warn(tr("Impossibile aprire lo show"), text);
        return;
    }

    content_.reset();
    // A stored value brought into range later, once the item's length is
    // known, belongs to the load like the ones corrected now: a show that
    // was clean before it stays clean. An edit made before it is kept as an
    // edit. Nothing is written to the file either way.
    const auto correction = [self = QPointer<ShowController>(this)](const std::function<void()>& correct) {
        const bool clean = self && !self->tracker_.check();
        correct();
        if (clean)
            self->tracker_.markSaved();
    };
    listing_ = content_.list(std::make_shared<const ShowDocument>(std::move(*document)),
                             QFileInfo(absolute).absolutePath(), correction);
    setFileURL(absolute);
    settings_.setString(QLatin1String(kLastShowPathKey), absolute);
    tracker_.markSaved(); // the empty show, until the listed one takes its place
    listSlice(opening_);
}

void ShowController::listSlice(quint64 opening)
{
    if (opening != opening_ || !listing_)
        return;
    // The end of the process gives the rest up.
    if (Workers::endRequested()) {
        stopOpening();
        return;
    }
    if (!listing_->step(kItemsPerSlice)) {
        postToMain([self = QPointer<ShowController>(this), opening] {
            if (self)
                self->listSlice(opening);
        });
        return;
    }
    const auto listing = std::move(listing_);
    opening_ = 0;
    QStringList missing;
    listing->finish(missing);
    tracker_.markSaved(); // the show as rebuilt, without what was missing

    if (!missing.isEmpty()) {
        const auto alert = ShowMissingMedia::alertFor(missing);
        dialogs_.warn(alert.message, alert.informativeText);
    }
}

void ShowController::stopOpening()
{
    opening_ = 0;
    listing_.reset();
}

ShowDocument ShowController::currentDocument() const
{
    return content_.document(std::nullopt);
}

QString ShowController::panelFolder() const
{
    const QString open = fileURL_ ? QFileInfo(*fileURL_).absolutePath() : QString();
    for (const QString& folder : { open, lastFolder_ }) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

void ShowController::setFileURL(std::optional<QString> path)
{
    if (path)
        lastFolder_ = QFileInfo(*path).absolutePath();
    fileURL_ = std::move(path);
    emit fileURLChanged();
    emit changed();
}

} // namespace tessarin

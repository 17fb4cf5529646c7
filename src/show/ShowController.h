#pragma once
// The document controller: which show file is open, whether it has unsaved
// changes, and the show commands (new, open, save, save as) with the
// question before changes are lost. Saving goes through a temporary file
// renamed into place; opening reads the whole file strictly before anything
// of the running show is touched. The open and save panels and the alerts
// go through ShowDialogs. The program's one controller (shared()) owns the
// playback engine, the schedule and the browser list through an
// EngineShowContent. Main thread.
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "show/ShowChangeTracker.h"
#include "show/ShowContent.h"
#include "show/ShowDialogs.h"
#include "show/ShowFile.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tessarin {

class AudioOutput;
class BrowserFiles;
class EngineShowContent;
class MediaPlayer;
class PlaylistEngine;
class ScheduleController;

class ShowController : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kLastShowPathKey = "Vellumcast.lastShowPath";
    static constexpr const char* kDefaultFileName = "Show.vellumcast";

    // Takes the empty show as saved and starts the change watcher; when
    // "Vellumcast.lastShowPath" names something that exists, queues its
    // opening on the main thread, after the current work.
    ShowController(ShowContent& content, Settings& settings, Clock& clock, ShowDialogs& dialogs,
                   QObject* parent = nullptr);
    // The same over the program's own show, which the controller then owns.
    ShowController(std::unique_ptr<EngineShowContent> program, Settings& settings, Clock& clock,
                   ShowDialogs& dialogs, QObject* parent = nullptr);
    ~ShowController() override;

    // What the program's controller is made of. The references must outlive it.
    struct Services {
        Settings& settings;
        Clock& clock;
        ShowDialogs& dialogs;
        // The engine's players and the overlay layers' video players.
        std::function<std::shared_ptr<MediaPlayer>()> makePlayer;
        // Where live audio plays; the machine's output when null.
        std::shared_ptr<AudioOutput> audioOutput;
    };
    // Creates the engine, then the schedule for it, takes the empty show as
    // saved, starts the change watcher and queues the reopening of the last
    // show: everything shared() does, for a caller that owns the result.
    static std::unique_ptr<ShowController> create(const Services& services);
    // The program's one controller, made with create() on first use from the
    // user's settings, the host clock, on-screen panels and alerts and real
    // players; never released. The application shell takes it at start-up.
    static ShowController& shared();

    // The program's show; only for a controller made over an
    // EngineShowContent (create(), shared()).
    PlaylistEngine& engine() const;
    ScheduleController& schedule() const;
    BrowserFiles& browserFiles() const;

    // The show file in use, as an absolute path; nullopt for a show never
    // saved or opened.
    const std::optional<QString>& fileURL() const { return fileURL_; }
    bool isDirty() const { return tracker_.isDirty(); }
    QString savedSnapshot() const { return tracker_.savedSnapshot(); }
    // The change watcher (its check is what runs every 1.5 s).
    ShowChangeTracker& changeTracker() { return tracker_; }

    // "Show senza titolo", or the file's name without its extension.
    QString displayName() const;
    // displayName, marked " — modificato" while there are unsaved changes.
    QString title() const;

    // A show file larger than this is read and decoded off the main thread;
    // a smaller one at once.
    static constexpr qint64 kReadAtOnceBytes = 1024 * 1024;
    // The items made per turn of the event loop while a show is listed
    // (about 10 ms of the main thread's time).
    static constexpr int kItemsPerSlice = 1000;

    // Whether a show is being opened: read, or listed a slice at a time.
    // Meanwhile the show is the empty one, counted as saved, with the file
    // being opened as its file; it takes the opened show's place at once
    // when the listing ends. A new show or another opening gives the
    // listing up, and so does the end of the process. Meanwhile the show
    // is not saved (so that the empty show never takes the place of the
    // file being opened) and nothing is asked before it is replaced.
    bool isOpening() const { return opening_ != 0; }

    // "Nuovo show": after the question, an empty show without a file.
    void newShow();
    // "Apri show…": after the question, the open panel, then the show.
    void open();
    // A show named from outside (the command line, a later start): after
    // the question, the show at path, as if chosen in the open panel (a file
    // that cannot be opened gets the same alert). Named before the last show
    // is reopened at start, it opens in that show's place.
    void openFile(const QString& path);
    // "Salva": to the open file, else as saveAs(). Nothing while a show is
    // being opened.
    void save();
    // "Salva con nome…": the save panel, then the file. True when written;
    // false, without the panel, while a show is being opened.
    bool saveAs();
    // The question before the show is replaced or the program quits: true
    // when the caller may go on. Compares the show with the saved one at
    // this moment, so an edit since the last watcher tick is not lost.
    bool confirmDiscardingChanges();

signals:
    void fileURLChanged();
    void isDirtyChanged();
    void changed();

private:
    bool write(const QString& path);
    // Opens the show at path: read and decoded, at once or off the main
    // thread by its size, then listed (list()).
    void load(const QString& path);
    // The show decoded from the file at absolute (nullopt when it was
    // refused, for why), listed in slices from this turn on.
    void list(const QString& absolute, std::optional<ShowDocument> document, ShowFile::Refusal why);
    // Lists the next slice of the opening numbered opening, posting the
    // one after it, or puts the show in place when it is the last.
    void listSlice(quint64 opening);
    // Gives up an opening under way, if any.
    void stopOpening();
    ShowDocument currentDocument() const;
    void setFileURL(std::optional<QString> path);
    // Where the open and save panels start: the open show's folder, else
    // the folder of the show last opened or saved, else the home folder.
    QString panelFolder() const;

    // Declared first so it outlives the watcher and everything else.
    std::unique_ptr<EngineShowContent> program_;
    ShowContent& content_;
    Settings& settings_;
    ShowDialogs& dialogs_;
    std::optional<QString> fileURL_;
    QString lastFolder_;
    // The show to open at start, until the queued opening has run.
    std::optional<QString> startShow_;
    bool starting_ = true;
    ShowChangeTracker tracker_;
    // The opening under way (0: none), numbered so that what comes back
    // from a given-up one is ignored; its listing once the file is decoded.
    quint64 opening_ = 0;
    quint64 openings_ = 0;
    std::unique_ptr<ShowContent::Listing> listing_;
};

} // namespace tessarin

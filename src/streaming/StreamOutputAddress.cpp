// The destination's address in the keychain: read in the background at
// start, stored in the background once the edits pause (and again while the
// keychain refuses it), and the start that has to wait for it. Main thread,
// except the keychain tasks themselves.
#include "platform/MainThread.h"
#include "platform/Settings.h"
#include "streaming/KeychainQueue.h"
#include "streaming/StreamOutput.h"
#include "streaming/StreamOutputShared.h"

#include <QCoreApplication>

namespace tessarin {
namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(StreamOutput)
};

QString urlAccount(int index)
{
    return QStringLiteral("stream.%1.url").arg(index);
}

QString legacyUrlKey(int index)
{
    return QStringLiteral("Vellumcast.stream.%1.url").arg(index);
}

} // namespace

void StreamOutput::readStoredUrl(const std::optional<QString>& legacy)
{
    urlSaveTimer_ = clock_.createTimer([this] { saveUrlNow(); }, true);
    urlWaitTimer_ = clock_.createTimer(
        [this] {
            startWaitingForUrl_.reset();
            setStatus(Status::failed(Texts::tr("Il portachiavi non ha dato l'indirizzo di destinazione")));
        },
        true);
    urlRetryTimer_ = clock_.createTimer(
        [this] {
            if (urlNotStored_)
                saveUrlNow();
            else
                rereadStoredUrl();
        },
        true);
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &StreamOutput::saveUrlNow);

    keychain_->async([account = urlAccount(id_), legacy, owner = QPointer<StreamOutput>(this)](
                         KeychainQueue::Store& store) {
        const KeychainQueue::Store::Entry stored = store.lookup(account);
        // An address an older version kept in the settings moves to the
        // keychain; the settings entry goes only once the keychain gives the
        // address back, so a failed write loses nothing.
        bool moved = false;
        if (!stored.text && !stored.locked && legacy) {
            store.set(legacy, account);
            moved = store.string(account) == legacy;
        }
        postToMain([owner, stored, legacy, moved] {
            if (owner)
                owner->storedUrlRead(stored.text, stored.locked, legacy, moved);
        });
    });
}

void StreamOutput::rereadStoredUrl()
{
    if (urlRereading_ || urlAssigned_)
        return;
    urlRereading_ = true;
    keychain_->async([account = urlAccount(id_), owner = QPointer<StreamOutput>(this)](KeychainQueue::Store& store) {
        const KeychainQueue::Store::Entry stored = store.lookup(account);
        postToMain([owner, stored] {
            if (owner)
                owner->storedUrlRead(stored.text, stored.locked, std::nullopt, false);
        });
    });
}

void StreamOutput::storedUrlRead(const std::optional<QString>& stored, bool locked,
                                 const std::optional<QString>& legacy, bool moved)
{
    urlReading_ = false;
    urlRereading_ = false;
    if (moved)
        settings_.remove(legacyUrlKey(id_));
    if (urlAssigned_)
        return; // the operator's address stands
    if (locked && !legacy) {
        // The address is there but cannot be had without an unlock, which
        // is not asked for here: say so, and look again later.
        setUrlLocked(true);
        urlRetryTimer_->start(kUrlLockedRetrySeconds);
        if (startWaitingForUrl_) {
            endWaitForUrl();
            setStatus(Status::failed(
                Texts::tr("Il portachiavi è bloccato: sbloccalo per usare l'indirizzo di destinazione salvato")));
        }
        return;
    }
    urlRetryTimer_->stop();
    // The value read is published, not stored again; one longer than the
    // limit (stored by an older version) is shown refused, as if typed.
    url_ = stored ? *stored : legacy.value_or(QString());
    urlRefused_ = url_.size() > kMaxUrlLength;
    emit urlChanged();
    setUrlLocked(false);
    emit changed();
    if (auto format = startWaitingForUrl_) {
        endWaitForUrl();
        startChecked(*format);
    }
}

void StreamOutput::setUrlLocked(bool locked)
{
    if (locked == urlLocked_)
        return;
    urlLocked_ = locked;
    emit isUrlLockedChanged();
    emit changed();
}

QString StreamOutput::urlTooLongText()
{
    return Texts::tr("L'indirizzo è troppo lungo: al massimo %1 caratteri").arg(kMaxUrlLength);
}

bool StreamOutput::setUrl(const QString& value)
{
    // Taken whole whatever its length, so the field shows what was typed;
    // one over the limit is refused: never started, and never stored: the
    // keychain forgets the address it held, which may be this one cut
    // short (typed a key at a time, the address was taken at each key).
    const bool refused = value.size() > kMaxUrlLength;
    urlRefused_ = refused;
    const bool wasLocked = isUrlLocked();
    url_ = value;
    urlAssigned_ = true;
    urlRetryTimer_->stop();
    if (wasLocked)
        emit isUrlLockedChanged();
    unsavedUrl_ = refused ? QString() : value;
    urlSaveTimer_->start(kUrlSavePauseSeconds);
    emit urlChanged();
    emit changed();
    if (auto format = startWaitingForUrl_) {
        endWaitForUrl();
        startChecked(*format);
    }
    return !refused;
}

void StreamOutput::saveUrlNow()
{
    urlSaveTimer_->stop();
    if (!unsavedUrl_)
        return;
    const QString text = std::move(*unsavedUrl_);
    unsavedUrl_.reset();
    const quint64 serial = ++urlWriteSerial_;
    keychain_->set(text, urlAccount(id_), [owner = QPointer<StreamOutput>(this), serial, text](bool stored) {
        postToMain([owner, serial, text, stored] {
            if (owner)
                owner->urlWritten(serial, text, stored);
        });
    });
}

void StreamOutput::urlWritten(quint64 serial, const QString& text, bool stored)
{
    if (serial != urlWriteSerial_)
        return; // a later address was handed over: its write decides
    if (stored) {
        if (urlNotStored_)
            urlRetryTimer_->stop();
        setUrlNotStored(false);
        return;
    }
    // Kept in use and pending (unless a newer address already is); handed
    // over again on the retry rhythm, at the next start and at quit.
    if (!unsavedUrl_)
        unsavedUrl_ = text;
    setUrlNotStored(true);
    urlRetryTimer_->start(kUrlLockedRetrySeconds);
}

void StreamOutput::setUrlNotStored(bool notStored)
{
    if (notStored == urlNotStored_)
        return;
    urlNotStored_ = notStored;
    emit isUrlNotStoredChanged();
    emit changed();
}

void StreamOutput::waitForUrl(const StreamFormat& format)
{
    setStatus(Status::connecting());
    setElapsed(0);
    setMeasuredKbps(0);
    {
        std::lock_guard guard(shared_->lock);
        shared_->stopRequested = false;
    }
    startWaitingForUrl_ = format;
    urlWaitTimer_->start(kUrlWaitSeconds);
}

void StreamOutput::endWaitForUrl()
{
    startWaitingForUrl_.reset();
    urlWaitTimer_->stop();
}

} // namespace tessarin

// The destination's address in the keychain: read in the background at
// start, stored in the background once the edits pause, and the start that
// has to wait for it. Main thread, except the keychain tasks themselves.
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
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &StreamOutput::saveUrlNow);

    keychain_->async([account = urlAccount(id_), legacy, owner = QPointer<StreamOutput>(this)](
                         KeychainQueue::Store& store) {
        const std::optional<QString> stored = store.string(account);
        // An address an older version kept in the settings moves to the
        // keychain; the settings entry goes only once the keychain gives the
        // address back, so a failed write loses nothing.
        bool moved = false;
        if (!stored && legacy) {
            store.set(legacy, account);
            moved = store.string(account) == legacy;
        }
        postToMain([owner, stored, legacy, moved] {
            if (owner)
                owner->storedUrlRead(stored, legacy, moved);
        });
    });
}

void StreamOutput::storedUrlRead(const std::optional<QString>& stored, const std::optional<QString>& legacy,
                                 bool moved)
{
    urlReading_ = false;
    if (moved)
        settings_.remove(legacyUrlKey(id_));
    if (urlAssigned_)
        return; // the operator's address stands
    // The value read is published, not stored again.
    url_ = stored ? *stored : legacy.value_or(QString());
    emit urlChanged();
    emit changed();
    if (auto format = startWaitingForUrl_) {
        endWaitForUrl();
        startChecked(*format);
    }
}

void StreamOutput::setUrl(const QString& value)
{
    url_ = value;
    urlAssigned_ = true;
    unsavedUrl_ = value;
    urlSaveTimer_->start(kUrlSavePauseSeconds);
    emit urlChanged();
    emit changed();
    if (auto format = startWaitingForUrl_) {
        endWaitForUrl();
        startChecked(*format);
    }
}

void StreamOutput::saveUrlNow()
{
    urlSaveTimer_->stop();
    if (!unsavedUrl_)
        return;
    keychain_->set(std::move(*unsavedUrl_), urlAccount(id_));
    unsavedUrl_.reset();
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

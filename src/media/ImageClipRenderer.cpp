#include "media/ImageClipRenderer.h"

#include "platform/ClipEncoder.h"
#include "platform/MainThread.h"
#include "platform/StillImage.h"
#include "platform/Workers.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QPainter>
#include <QStandardPaths>
#include <QUuid>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace tessarin::ImageClipRenderer {

namespace {

std::mutex folderMutex;
QString folderOverride;

// Completions waiting for each clip being rendered, by clip path. Main thread only.
QHash<QString, std::vector<std::function<void(const QUrl&)>>>& pendingRenders()
{
    static auto* pending = new QHash<QString, std::vector<std::function<void(const QUrl&)>>>;
    return *pending;
}

// Temporary files of renders that a crash or a power cut interrupted are
// removed once per run and folder; a day's age keeps those of a running
// render safe. Main thread only.
void removeAbandonedRenders(const QString& folder)
{
    static auto* cleaned = new QSet<QString>;
    if (cleaned->contains(folder))
        return;
    cleaned->insert(folder);
    Workers::userInitiated().async([folder] {
        const QDateTime limit = QDateTime::currentDateTimeUtc().addDays(-1);
        const QFileInfoList parts = QDir(folder).entryInfoList({QStringLiteral("*.part")}, QDir::Files);
        for (const QFileInfo& part : parts) {
            if (part.lastModified().toUTC() < limit)
                QFile::remove(part.absoluteFilePath());
        }
    }, Workers::AtEnd::drop);
}

} // namespace

QString cacheFolder()
{
    {
        std::lock_guard lock(folderMutex);
        if (!folderOverride.isEmpty())
            return folderOverride;
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/Vellumcast/ImageClips");
}

void setCacheFolder(const QString& folder)
{
    std::lock_guard lock(folderMutex);
    folderOverride = folder;
}

QUrl cacheURL(const QUrl& imageURL, double duration)
{
    const QString folder = cacheFolder();
    QDir().mkpath(folder);
    // SHA-256 of the path's UTF-8 text and the duration's IEEE bytes (in
    // little-endian order, -0 taken as 0): the same name in every run.
    if (duration == 0.0)
        duration = 0.0;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &duration, sizeof bits);
    char durationBytes[8];
    for (int i = 0; i < 8; ++i)
        durationBytes[i] = static_cast<char>((bits >> (8 * i)) & 0xff);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QString path = imageURL.isLocalFile() ? imageURL.toLocalFile() : imageURL.toString();
    hash.addData(path.toUtf8());
    hash.addData(QByteArrayView(durationBytes, 8));
    const QString name = QString::fromLatin1(hash.result().left(8).toHex()) + QStringLiteral(".mov");
    return QUrl::fromLocalFile(folder + QLatin1Char('/') + name);
}

QSize targetSize(QSize imageSize)
{
    const int w = imageSize.width();
    const int h = imageSize.height();
    const double scale = std::min(1.0, 1920.0 / std::max(std::max(w, h), 1));
    auto side = [scale](int length) {
        long value = std::lround(scale * length);
        if (value % 2)
            value -= 1;
        return static_cast<int>(std::max(value, 2L));
    };
    return {side(w), side(h)};
}

std::optional<std::int64_t> frameCount(double duration)
{
    if (!std::isfinite(duration) || duration <= 0.0 || duration > maxDuration)
        return std::nullopt;
    return std::max<std::int64_t>(2, static_cast<std::int64_t>(std::ceil(duration * 2.0)));
}

bool render(const QUrl& imageURL, double duration, const QString& outputPath)
{
    const std::optional<std::int64_t> frames = frameCount(duration);
    if (!frames || !imageURL.isLocalFile())
        return false;
    // Decoded straight to at most the clip's size.
    const QImage image = StillImage::read(imageURL.toLocalFile(), QSize(1920, 1920));
    if (image.isNull())
        return false;
    const QSize size = targetSize(image.size());
    // Transparent parts of the picture show black.
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), size), image);
    }

    // Written beside the clip under a name of its own, renamed when complete.
    const QString temporary = outputPath + QStringLiteral(".")
        + QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".part");
    bool ok = false;
    {
        ClipEncoder encoder;
        ok = encoder.open(temporary, size);
        // The end of the process leaves the clip unmade, not half made.
        for (std::int64_t k = 0; ok && k < *frames; ++k)
            ok = !Workers::endRequested() && encoder.appendFrame(picture, k, 2);
        ok = ok && encoder.finish(std::llround(duration * ClipEncoder::timescale), ClipEncoder::timescale);
    }
    if (ok)
        ok = std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(outputPath).constData()) == 0;
    if (!ok)
        QFile::remove(temporary);
    return ok;
}

void makeClip(const QUrl& imageURL, double duration, std::function<void(const QUrl&)> completion)
{
    const QUrl clip = cacheURL(imageURL, duration);
    const QString path = clip.toLocalFile();
    removeAbandonedRenders(QFileInfo(path).absolutePath());
    if (QFileInfo::exists(path)) {
        completion(clip);
        return;
    }
    auto& pending = pendingRenders();
    auto waiting = pending.find(path);
    if (waiting != pending.end()) {
        waiting->push_back(std::move(completion));
        return;
    }
    pending[path].push_back(std::move(completion));
    Workers::userInitiated().async([imageURL, duration, clip, path] {
        const bool ok = render(imageURL, duration, path);
        postToMain([ok, clip, path] {
            auto waiters = pendingRenders().take(path);
            for (auto& done : waiters)
                done(ok ? clip : QUrl());
        });
    }, Workers::AtEnd::drop);
}

} // namespace tessarin::ImageClipRenderer

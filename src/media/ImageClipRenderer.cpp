#include "media/ImageClipRenderer.h"

#include "platform/ClipEncoder.h"
#include "platform/MachineResources.h"
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
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace tessarin::ImageClipRenderer {

// One clip being rendered and the requests waiting for it.
struct PendingRender {
    QUrl imageURL;
    double duration = 0.0;
    QUrl clip;
    QString path;
    // Main thread only.
    std::vector<std::pair<std::uint64_t, std::function<void(const QUrl&)>>> waiters;
    bool withdrawn = false; // every request was withdrawn at some point
    // Set while no request waits: the render stops at its next look.
    std::atomic<bool> cancelled { false };
};

namespace {

std::mutex folderMutex;
QString folderOverride;

// The render of each clip under way, by clip path. Main thread only.
QHash<QString, std::shared_ptr<PendingRender>>& pendingRenders()
{
    static auto* pending = new QHash<QString, std::shared_ptr<PendingRender>>;
    return *pending;
}

// The plan in force once worked out or set; main thread only. Renders read
// their encoders' threads from the atomic.
std::optional<RenderPlan> planInForce;
std::atomic<int> encoderThreads {1};
std::atomic<int> rendersRunning {0};
std::atomic<int> mostRunning {0};

// Renders are CPU-bound and each holds an encoder's frames: they run on a
// pool of their own, never more at once than the plan says, at the lower
// priority of background analyses. Never destroyed.
Workers& renderPool()
{
    static Workers& pool
        = Workers::makeAnalysisPool("Vellumcast.ImageClipRenderer", std::size_t(renderPlan().renders));
    return pool;
}

// Counts the renders running at once for as long as it lives.
class RenderCount {
public:
    RenderCount()
    {
        const int now = ++rendersRunning;
        int most = mostRunning.load();
        while (now > most && !mostRunning.compare_exchange_weak(most, now)) {
        }
    }
    ~RenderCount() { --rendersRunning; }
    RenderCount(const RenderCount&) = delete;
    RenderCount& operator=(const RenderCount&) = delete;
};

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

RenderPlan planFor(int cores, std::int64_t availableBytes)
{
    cores = std::max(cores, 1);
    const std::int64_t budget = std::min(renderMemoryCap, std::max<std::int64_t>(availableBytes, 0) / 4);
    auto cost = [](int renders, int threads) {
        return renders * (renderBytes + (threads - 1) * encoderThreadBytes);
    };
    int renders = cores;
    while (renders > 1 && cost(renders, 1) > budget)
        --renders;
    int threads = std::max(1, cores / renders);
    while (threads > 1 && cost(renders, threads) > budget)
        --threads;
    return {renders, threads};
}

RenderPlan renderPlan()
{
    if (!planInForce) {
        planInForce = planFor(MachineResources::cores(), MachineResources::availableMemory());
        encoderThreads = planInForce->encoderThreads;
    }
    return *planInForce;
}

void setRenderPlan(RenderPlan plan)
{
    plan.renders = std::max(plan.renders, 1);
    plan.encoderThreads = std::max(plan.encoderThreads, 1);
    planInForce = plan;
    encoderThreads = plan.encoderThreads;
    mostRunning = rendersRunning.load();
    renderPool().setMaxThreads(std::size_t(plan.renders));
}

int mostRendersAtOnce()
{
    return mostRunning.load();
}

bool render(const QUrl& imageURL, double duration, const QString& outputPath, const std::atomic<bool>* cancelled)
{
    const RenderCount counted;
    // The end of the process, or nobody wanting the clip any more, leaves
    // it unmade, not half made.
    const auto stopped = [cancelled] { return Workers::endRequested() || (cancelled && cancelled->load()); };
    const std::optional<std::int64_t> frames = frameCount(duration);
    if (!frames || !imageURL.isLocalFile() || stopped())
        return false;
    // Decoded straight to at most the clip's size, and handed to the
    // encoder as it is: a transparent part, premultiplied, shows black.
    QImage image = StillImage::read(imageURL.toLocalFile(), QSize(1920, 1920));
    if (image.isNull())
        return false;
    const QSize size = targetSize(image.size());

    // Written beside the clip under a name of its own, renamed when complete.
    const QString temporary = outputPath + QStringLiteral(".")
        + QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".part");
    bool ok = false;
    {
        ClipEncoder encoder;
        ok = encoder.open(temporary, size, encoderThreads.load()) && !stopped() && encoder.appendFrame(image, 0, 2);
        image = QImage(); // the encoder keeps the picture, converted
        for (std::int64_t k = 1; ok && k < *frames; ++k)
            ok = !stopped() && encoder.repeatFrame(k, 2);
        ok = ok && encoder.finish(std::llround(duration * ClipEncoder::timescale), ClipEncoder::timescale);
    }
    ok = ok && !stopped();
    if (ok)
        ok = std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(outputPath).constData()) == 0;
    if (!ok)
        QFile::remove(temporary);
    return ok;
}

namespace {

void startRender(const std::shared_ptr<PendingRender>& pending);

// Main thread: the render ended (ok: its clip is in place).
void finishRender(const std::shared_ptr<PendingRender>& pending, bool ok)
{
    auto& renders = pendingRenders();
    if (renders.value(pending->path) == pending)
        renders.remove(pending->path);
    if (pending->waiters.empty()) {
        // Nobody wants it any more: a clip that was done before the render
        // could see that is not kept either.
        if (ok)
            QFile::remove(pending->path);
        return;
    }
    if (!ok && pending->withdrawn) {
        // Given up on, then asked for again after it had stopped: anew.
        pending->withdrawn = false;
        pending->cancelled = false;
        renders.insert(pending->path, pending);
        startRender(pending);
        return;
    }
    const auto waiters = std::move(pending->waiters);
    for (const auto& [id, done] : waiters)
        done(ok ? pending->clip : QUrl());
}

void startRender(const std::shared_ptr<PendingRender>& pending)
{
    renderPool().async([pending] {
        Workers::lowerThreadPriority();
        const bool ok = render(pending->imageURL, pending->duration, pending->path, &pending->cancelled);
        postToMain([pending, ok] { finishRender(pending, ok); });
    }, Workers::AtEnd::drop);
}

// Main thread.
void withdrawFrom(const std::shared_ptr<PendingRender>& pending, std::uint64_t id)
{
    std::erase_if(pending->waiters, [id](const auto& waiter) { return waiter.first == id; });
    if (!pending->waiters.empty())
        return;
    pending->withdrawn = true;
    pending->cancelled = true;
}

} // namespace

ClipRequest::ClipRequest(ClipRequest&& other) noexcept
    : render_(std::move(other.render_))
    , id_(other.id_)
{
    other.render_.reset();
}

ClipRequest& ClipRequest::operator=(ClipRequest&& other) noexcept
{
    if (this != &other) {
        withdraw();
        render_ = std::move(other.render_);
        id_ = other.id_;
        other.render_.reset();
    }
    return *this;
}

void ClipRequest::withdraw()
{
    auto pending = render_.lock();
    render_.reset();
    if (!pending)
        return;
    if (isMainThread())
        withdrawFrom(pending, id_);
    else
        postToMain([pending, id = id_] { withdrawFrom(pending, id); });
}

ClipRequest requestClip(const QUrl& imageURL, double duration, std::function<void(const QUrl&)> completion)
{
    const QUrl clip = cacheURL(imageURL, duration);
    const QString path = clip.toLocalFile();
    removeAbandonedRenders(QFileInfo(path).absolutePath());
    auto& renders = pendingRenders();
    // A render under way first: its clip may be in place already, and is
    // still removed if nobody wants it when it ends.
    std::shared_ptr<PendingRender> pending = renders.value(path);
    const bool start = !pending;
    if (start) {
        if (QFileInfo::exists(path)) {
            completion(clip);
            return {};
        }
        pending = std::make_shared<PendingRender>();
        pending->imageURL = imageURL;
        pending->duration = duration;
        pending->clip = clip;
        pending->path = path;
        renders.insert(path, pending);
    }
    pending->cancelled = false; // wanted again, if it was given up on
    static std::uint64_t lastId = 0;
    const std::uint64_t id = ++lastId;
    pending->waiters.emplace_back(id, std::move(completion));
    if (start)
        startRender(pending);
    ClipRequest request;
    request.render_ = pending;
    request.id_ = id;
    return request;
}

int rendersPending()
{
    return int(pendingRenders().size());
}

void makeClip(const QUrl& imageURL, double duration, std::function<void(const QUrl&)> completion)
{
    // The request goes out of scope without being withdrawn.
    ClipRequest request = requestClip(imageURL, duration, std::move(completion));
    request.render_.reset();
}

} // namespace tessarin::ImageClipRenderer

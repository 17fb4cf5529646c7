#pragma once
// Still images turned into short movies the players can open: the picture
// (long side at most 1920, never enlarged) repeated at two frames per second
// for the requested duration, H.264 in a QuickTime file, kept in
// "Vellumcast/ImageClips" in the user's cache folder, one file per image path
// and duration. Called on the main thread; renders run in the background.
//
// A clip is written to a temporary file in the cache folder and renamed into
// place only when complete, so a failed or interrupted render never passes
// for a clip; requests for a clip that is being rendered wait for that render.
// A render that every request has withdrawn from (the item let go of, or
// given another duration) stops, and leaves no clip in the cache.
// Renders run on a pool of their own, as many at once as the render plan
// says, so a show of hundreds of stills neither floods the cores nor holds
// an encoder per still in memory.
#include <QSize>
#include <QString>
#include <QUrl>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tessarin::ImageClipRenderer {

struct PendingRender;

// A request of requestClip() standing for as long as it lives: destroyed or
// assigned over, it is withdrawn, and its completion is not called. Made
// and moved on the main thread; may be destroyed on any.
class ClipRequest {
public:
    ClipRequest() = default;
    ~ClipRequest() { withdraw(); }
    ClipRequest(ClipRequest&& other) noexcept;
    ClipRequest& operator=(ClipRequest&& other) noexcept;
    ClipRequest(const ClipRequest&) = delete;
    ClipRequest& operator=(const ClipRequest&) = delete;

private:
    friend ClipRequest requestClip(const QUrl&, double, std::function<void(const QUrl&)>);
    friend void makeClip(const QUrl&, double, std::function<void(const QUrl&)>);
    void withdraw();
    std::weak_ptr<PendingRender> render_;
    std::uint64_t id_ = 0;
};

// Main thread. When the clip exists, completion gets its URL at once,
// inside the call. Otherwise the clip is rendered in the background (once,
// however many ask meanwhile) and completion runs later on the main thread
// with the URL, or with an empty URL when the image cannot be rendered.
[[nodiscard]] ClipRequest requestClip(const QUrl& imageURL, double duration,
                                      std::function<void(const QUrl&)> completion);
// requestClip() with a request that is never withdrawn.
void makeClip(const QUrl& imageURL, double duration, std::function<void(const QUrl&)> completion);
// Main thread: renders that have not ended yet, those given up included.
int rendersPending();

// The clip's URL in the cache folder (creating the folder): sixteen hex
// digits of a hash of the path text and the duration that stays the same
// from one run to the next, then ".mov".
QUrl cacheURL(const QUrl& imageURL, double duration);

// Renders synchronously into outputPath (which is replaced only on success).
// Background threads only. False when the image cannot be loaded, the
// duration is not a positive finite number of at most maxDuration seconds,
// encoding fails, or cancelled (when given) is set before the clip is in
// place.
bool render(const QUrl& imageURL, double duration, const QString& outputPath,
            const std::atomic<bool>* cancelled = nullptr);

// The clip's picture size for an image of the given size: scaled to a long
// side of at most 1920, each side rounded, made even and at least 2.
QSize targetSize(QSize imageSize);
// Frames in a clip: 2 x duration rounded up, at least 2; nullopt for
// durations render() refuses.
std::optional<std::int64_t> frameCount(double duration);

inline constexpr double maxDuration = 86400.0;

// How many clips render at once, and how many threads each encoder runs on.
struct RenderPlan {
    int renders = 1;
    int encoderThreads = 1;
    bool operator==(const RenderPlan&) const = default;
};
// Memory a render of the largest clip (1920 x 1920) may take with one
// encoder thread, and what each further encoder thread adds (the decoded
// picture, the encoder's frames and buffers); measured with libx264 looking
// one frame ahead.
inline constexpr std::int64_t renderBytes = std::int64_t(160) << 20;
inline constexpr std::int64_t encoderThreadBytes = std::int64_t(40) << 20;
// At most this much of the memory goes to renders, and at most a quarter of
// what is available.
inline constexpr std::int64_t renderMemoryCap = std::int64_t(1) << 30;
// The plan for a machine: as many renders as cores while their memory fits
// (one encoder thread each, the cheapest way through a show of stills), fewer
// when it does not; the cores that fewer renders leave go to their encoders'
// threads as far as the memory allows. At least one render of one thread.
RenderPlan planFor(int cores, std::int64_t availableBytes);
// Main thread. The plan in force: this machine's, worked out at the first
// render, unless one was set.
RenderPlan renderPlan();
// Main thread: the plan from the next render on (tests, benchmarks).
void setRenderPlan(RenderPlan plan);
// Any thread: the most renders that have run at once since the plan was
// last set (or since the start).
int mostRendersAtOnce();

// The folder clips are kept in; tests point it elsewhere.
QString cacheFolder();
void setCacheFolder(const QString& folder);

} // namespace tessarin::ImageClipRenderer

#include "media/FFmpegTools.h"

#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <mutex>

namespace tessarin {
namespace {

std::mutex overrideMutex;
std::optional<QStringList> candidateOverride;
std::atomic<double> probeTimeout { 15.0 };

} // namespace

void FFmpegTools::overrideCandidates(std::optional<QStringList> list)
{
    std::lock_guard guard(overrideMutex);
    candidateOverride = std::move(list);
}

double FFmpegTools::probeTimeoutSeconds()
{
    return probeTimeout.load();
}

void FFmpegTools::setProbeTimeoutSeconds(double seconds)
{
    probeTimeout.store(seconds);
}

QStringList FFmpegTools::candidates()
{
    {
        std::lock_guard guard(overrideMutex);
        if (candidateOverride)
            return *candidateOverride;
    }
    QStringList list;
    if (QCoreApplication::instance()) {
        const QString own = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ffmpeg"));
        if (QFileInfo::exists(own))
            list << own;
    }
    list << QStringLiteral("/opt/homebrew/bin/ffmpeg") << QStringLiteral("/usr/local/bin/ffmpeg")
         << QStringLiteral("/opt/local/bin/ffmpeg") << QStringLiteral("/usr/bin/ffmpeg");
    // Then the user's own search path, as a shell would look: absolute
    // folders only (an empty or relative entry would mean the working folder).
    const QString path = qEnvironmentVariable("PATH");
    for (const QString& folder : path.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (!QDir::isAbsolutePath(folder))
            continue;
        const QString candidate = QDir::cleanPath(QDir(folder).filePath(QStringLiteral("ffmpeg")));
        if (!list.contains(candidate))
            list << candidate;
    }
    return list;
}

bool FFmpegTools::isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

std::optional<QString> FFmpegTools::ffmpegPath()
{
    for (const QString& candidate : candidates()) {
        if (isExecutableFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<QString> FFmpegTools::ffmpegPath(const QString& withEncoder)
{
    for (const QString& candidate : candidates()) {
        if (isExecutableFile(candidate) && hasEncoder(withEncoder, candidate))
            return candidate;
    }
    return std::nullopt;
}

QString FFmpegTools::run(const QString& path, const QStringList& args)
{
    // Input and error output are the null device; a probe that hangs is
    // killed at the limit and counts as one that printed nothing.
    const CaptureResult result = runAndCapture(path, args, probeTimeoutSeconds());
    if (!result.started || result.timedOut)
        return QString();
    return QString::fromUtf8(result.output);
}

QStringList FFmpegTools::tokens(const QString& text)
{
    QStringList out;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text.at(i).isSpace();
        if (space) {
            if (start >= 0)
                out << text.mid(start, i - start);
            start = -1;
        } else if (start < 0) {
            start = i;
        }
    }
    return out;
}

bool FFmpegTools::hasEncoder(const QString& name, const QString& ffmpeg)
{
    return tokens(run(ffmpeg, { QStringLiteral("-hide_banner"), QStringLiteral("-encoders") })).contains(name);
}

QString FFmpegTools::protocolSection(const QString& listing, bool output)
{
    const QStringList pieces = listing.split(QStringLiteral("Output:"));
    if (!output)
        return pieces.value(0);
    return pieces.size() >= 2 ? pieces.at(1) : QString();
}

bool FFmpegTools::supports(const QString& protocolName, const QString& ffmpeg, bool output)
{
    const QString listing = run(ffmpeg, { QStringLiteral("-hide_banner"), QStringLiteral("-protocols") });
    return tokens(protocolSection(listing, output)).contains(protocolName);
}

} // namespace tessarin

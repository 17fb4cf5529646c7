#include "platform/FFmpegLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QByteArray>

#include <cstdarg>
#include <cstdlib>
#include <string>
#include <utility>

namespace tessarin::FFmpegLog {

namespace {

// Off by default: every severity is below "fatal", which categories never take.
QLoggingCategory& ffmpegCategory()
{
    static QLoggingCategory category("tessarin.ffmpeg", QtFatalMsg);
    return category;
}

const QLoggingCategory& ffmpegLog()
{
    return ffmpegCategory();
}

QtMsgType typeOf(int level)
{
    if (level <= AV_LOG_ERROR)
        return QtCriticalMsg;
    if (level <= AV_LOG_WARNING)
        return QtWarningMsg;
    if (level <= AV_LOG_INFO)
        return QtInfoMsg;
    return QtDebugMsg;
}

// Called on whatever thread logs, often with a piece of a line: the pieces
// gather per thread until the line ends. Nothing is formatted while the
// category is off.
void toCategory(void* context, int level, const char* format, va_list arguments)
{
    if (level > av_log_get_level())
        return;
    const QLoggingCategory& log = ffmpegLog();
    const QtMsgType type = typeOf(level);
    if (!log.isEnabled(type))
        return;
    thread_local std::string pending;
    thread_local int printPrefix = 1;
    char piece[1024];
    const int length = av_log_format_line2(context, level, format, arguments, piece, sizeof piece, &printPrefix);
    if (length < 0)
        return;
    pending += piece;
    // A line without its end for too long is let out as it is.
    if (pending.empty() || (pending.back() != '\n' && pending.size() < 4096))
        return;
    while (!pending.empty() && (pending.back() == '\n' || pending.back() == '\r'))
        pending.pop_back();
    const QString line = QString::fromUtf8(pending);
    pending.clear();
    switch (type) {
    case QtCriticalMsg: qCCritical(ffmpegLog, "%s", qUtf8Printable(line)); break;
    case QtWarningMsg: qCWarning(ffmpegLog, "%s", qUtf8Printable(line)); break;
    case QtInfoMsg: qCInfo(ffmpegLog, "%s", qUtf8Printable(line)); break;
    default: qCDebug(ffmpegLog, "%s", qUtf8Printable(line)); break;
    }
}

} // namespace

const QLoggingCategory& category()
{
    return ffmpegLog();
}

int levelNamed(const QString& name)
{
    static const std::pair<const char*, int> levels[] = {
        { "quiet", AV_LOG_QUIET }, { "panic", AV_LOG_PANIC },     { "fatal", AV_LOG_FATAL },
        { "error", AV_LOG_ERROR }, { "warning", AV_LOG_WARNING }, { "info", AV_LOG_INFO },
        { "verbose", AV_LOG_VERBOSE }, { "debug", AV_LOG_DEBUG }, { "trace", AV_LOG_TRACE },
    };
    const QString wanted = name.trimmed().toLower();
    for (const auto& [text, level] : levels) {
        if (wanted == QLatin1String(text))
            return level;
    }
    bool number = false;
    const int value = wanted.toInt(&number);
    return number ? value : AV_LOG_ERROR;
}

int apply()
{
    const char* asked = std::getenv("TESSARIN_FFMPEG_LOGLEVEL");
    const int level = levelNamed(asked ? QString::fromLocal8Bit(asked) : QString());
    av_log_set_level(level);
    av_log_set_callback(&toCategory);
    if (asked) {
        QLoggingCategory& log = ffmpegCategory();
        for (const QtMsgType type : { QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg })
            log.setEnabled(type, true);
    }
    return level;
}

} // namespace tessarin::FFmpegLog

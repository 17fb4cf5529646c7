#include "platform/FFmpegLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QByteArray>

#include <cstdlib>
#include <utility>

namespace tessarin::FFmpegLog {

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
    return level;
}

} // namespace tessarin::FFmpegLog

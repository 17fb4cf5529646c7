#include "platform/FFmpegLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include <QStringList>

#include <cstdlib>

using namespace tessarin;

namespace {

QStringList seen;

void remember(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    seen << QStringLiteral("%1: %2").arg(QLatin1String(context.category), message);
}

} // namespace

TEST(FFmpegLog, TheLibrariesLogErrorsIntoTheProgramsOwnLogWhichIsQuietUnlessAskedFor)
{
    const int before = av_log_get_level();
    const QtMessageHandler handler = qInstallMessageHandler(&remember);
    seen.clear();
    unsetenv("TESSARIN_FFMPEG_LOGLEVEL");
    EXPECT_EQ(FFmpegLog::apply(), AV_LOG_ERROR);
    EXPECT_EQ(av_log_get_level(), AV_LOG_ERROR);
    testing::internal::CaptureStderr();
    av_log(nullptr, AV_LOG_ERROR, "moov atom not found\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(seen, QStringList {});

    // Asked for: whole lines, down to the level asked.
    setenv("TESSARIN_FFMPEG_LOGLEVEL", "Info", 1);
    EXPECT_EQ(FFmpegLog::apply(), AV_LOG_INFO);
    EXPECT_EQ(av_log_get_level(), AV_LOG_INFO);
    av_log(nullptr, AV_LOG_ERROR, "moov atom not found\n");
    av_log(nullptr, AV_LOG_INFO, "Stream #0: %s, ", "Video");
    av_log(nullptr, AV_LOG_INFO, "h264\n");
    av_log(nullptr, AV_LOG_DEBUG, "too fine to keep\n");
    EXPECT_EQ(seen, (QStringList { "tessarin.ffmpeg: moov atom not found", "tessarin.ffmpeg: Stream #0: Video, h264" }));
    EXPECT_EQ(FFmpegLog::levelNamed("48"), AV_LOG_DEBUG);
    EXPECT_EQ(FFmpegLog::levelNamed("chatty"), AV_LOG_ERROR);

    unsetenv("TESSARIN_FFMPEG_LOGLEVEL");
    for (const QtMsgType type : { QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg })
        const_cast<QLoggingCategory&>(FFmpegLog::category()).setEnabled(type, false);
    av_log_set_callback(av_log_default_callback);
    av_log_set_level(before);
    qInstallMessageHandler(handler);
}

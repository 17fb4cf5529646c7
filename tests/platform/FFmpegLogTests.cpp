#include "platform/FFmpegLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tessarin;

TEST(FFmpegLog, TheLibrariesReportErrorsOnlyUnlessTheEnvironmentAsksForMore)
{
    const int before = av_log_get_level();
    unsetenv("TESSARIN_FFMPEG_LOGLEVEL");
    EXPECT_EQ(FFmpegLog::apply(), AV_LOG_ERROR);
    EXPECT_EQ(av_log_get_level(), AV_LOG_ERROR);
    setenv("TESSARIN_FFMPEG_LOGLEVEL", "Info", 1);
    EXPECT_EQ(FFmpegLog::apply(), AV_LOG_INFO);
    EXPECT_EQ(av_log_get_level(), AV_LOG_INFO);
    EXPECT_EQ(FFmpegLog::levelNamed("48"), AV_LOG_DEBUG);
    EXPECT_EQ(FFmpegLog::levelNamed("chatty"), AV_LOG_ERROR);
    unsetenv("TESSARIN_FFMPEG_LOGLEVEL");
    av_log_set_level(before);
}

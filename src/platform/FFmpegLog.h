#pragma once
// How much the FFmpeg libraries inside this process write to standard error.
#include <QString>

namespace tessarin::FFmpegLog {

// Sets the libraries' log level: errors only, unless the environment
// variable TESSARIN_FFMPEG_LOGLEVEL names another of ffmpeg's levels
// ("quiet", "panic", "fatal", "error", "warning", "info", "verbose",
// "debug", "trace") or gives its number. Their informative lines (an
// encoder's settings, a demuxer's remarks) would otherwise fill the
// terminal at every file opened; failures reach the operator through the
// program's own texts either way. Returns the level set.
int apply();
// The level a value of that variable names; error for "" or an unknown name.
int levelNamed(const QString& name);

} // namespace tessarin::FFmpegLog

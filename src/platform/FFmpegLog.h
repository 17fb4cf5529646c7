#pragma once
// Where the FFmpeg libraries inside this process write their log: into the
// program's own logging, as the Qt logging category "tessarin.ffmpeg",
// which is off unless asked for, so a normal session leaves standard error
// clean (failures reach the operator through the program's own texts).
// Asked for, each line goes out whole, at the Qt severity of its level.
#include <QLoggingCategory>
#include <QString>

namespace tessarin::FFmpegLog {

// The category of the libraries' lines. Turned on by the environment
// variable TESSARIN_FFMPEG_LOGLEVEL (below) or by Qt's logging rules
// (QT_LOGGING_RULES="tessarin.ffmpeg*=true").
const QLoggingCategory& category();

// Routes the libraries' log into category() and sets their level: errors
// only, unless TESSARIN_FFMPEG_LOGLEVEL names another of ffmpeg's levels
// ("quiet", "panic", "fatal", "error", "warning", "info", "verbose",
// "debug", "trace") or gives its number, which also turns the category on.
// Returns the level set. Before any thread starts.
int apply();
// The level a value of that variable names; error for "" or an unknown name.
int levelNamed(const QString& name);

} // namespace tessarin::FFmpegLog

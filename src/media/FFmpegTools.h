#pragma once
// Finding the ffmpeg program and asking it which encoders and network
// protocols it has. Every question starts ffmpeg once and waits for it, so
// these calls belong on background threads. Nothing is cached.
#include <QString>
#include <QStringList>

#include <optional>

namespace tessarin {

class FFmpegTools {
public:
    // Where ffmpeg is looked for, in order: "ffmpeg" beside the executable,
    // the fixed install locations, the system's own, then each absolute
    // folder of PATH.
    static QStringList candidates();

    // The first candidate that is an executable file; runs nothing.
    static std::optional<QString> ffmpegPath();
    // The first executable candidate that lists the encoder.
    static std::optional<QString> ffmpegPath(const QString& withEncoder);
    // Whether ffmpeg's encoder list has a token equal to name.
    static bool hasEncoder(const QString& name, const QString& ffmpeg);
    // Whether the protocol is listed as an input (output false) or an
    // output (output true) protocol.
    static bool supports(const QString& protocolName, const QString& ffmpeg, bool output);

    // Runs the executable to its end with no input and returns what it wrote
    // to standard output, invalid UTF-8 replaced. A program that cannot be
    // started, or that is still running after the probe time limit (then it
    // is killed), gives "".
    static QString run(const QString& path, const QStringList& args);

    // The words of text: maximal runs of non-white-space characters.
    static QStringList tokens(const QString& text);
    // The section of a "-protocols" listing named by output (see supports()).
    static QString protocolSection(const QString& listing, bool output);

    static bool isExecutableFile(const QString& path);

    // Tests replace the candidate list; nullopt restores the real one.
    static void overrideCandidates(std::optional<QStringList> list);

    // How long a probe may run before it is killed (15 s; tests shorten it).
    static double probeTimeoutSeconds();
    static void setProbeTimeoutSeconds(double seconds);
};

} // namespace tessarin

#pragma once
// The length of media files and whether they can be played, read from their
// headers in the background and kept per file URL while an item uses the
// file and for a few files after (FileCache), so a file used by many items
// is opened once. Called on the main thread.
#include <QString>
#include <QUrl>

#include <functional>

namespace tessarin {
class Workers;
}

namespace tessarin::DurationProbe {

struct Result {
    bool known = false;   // false: nothing kept (FileCache's empty value)
    double seconds = 0.0; // NaN when the header states none
    bool playable = true;
    QString error;        // why it cannot be played, when the probe says
};

// A kept result is handed to completion at once, inside the call;
// otherwise the file is probed on a background thread (once for every
// request made while it runs) and completion runs later on the main thread.
// Only local files are read.
void probe(const QUrl& url, std::function<void(const Result&)> completion);

// The bounded, lower-priority pool the probes run on; other short reads of
// file headers (a still's thumbnail) share it.
Workers& probePool();

} // namespace tessarin::DurationProbe

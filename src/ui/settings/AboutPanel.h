#pragma once
// The credits of the About window: one centred line naming the components
// the program uses through ffmpeg, with a link to the notices file installed
// beside the program (share/tessarin/ThirdPartyNotices.txt) when it is there.
// Main thread.
#include <QString>
#include <QUrl>

namespace tessarin {

class AboutPanel {
public:
    // The credits as rich text; the link is left out when notices is empty.
    static QString credits(const QUrl& notices);
    static QString credits() { return credits(noticesUrl()); }
    // The installed notices file next to the program, or an empty URL.
    static QUrl noticesUrl();
    static QUrl noticesUrl(const QString& applicationDir);
};

} // namespace tessarin

#pragma once
// What the browser takes in. A file whose name is not valid UTF-8 is refused
// wherever it comes from: a show file stores paths as JSON (Unicode) text, so
// such a path would be saved broken and the item lost at the next opening.
// A drop from a file manager is also sorted on a worker thread, since that
// looks at the disk: folders and files that are not video, audio or still
// images are left out, like the file dialog's filter leaves them out.
#include "media/FileNameText.h"

#include <QString>
#include <QUrl>

#include <vector>

namespace tessarin {

// The name to show for a file in a message, invalid bytes replaced.
QString displayFileName(const QUrl& url);

// The file dialog's filter: every name pattern of the video, audio and image types.
QString mediaNameFilter();

struct SortedDrop {
    std::vector<QUrl> accepted; // in the drop's order
    std::vector<QUrl> badNames; // names that are not UTF-8
};

// Any thread (reads the disk): keeps the local files that are video, audio
// or still images (judged by name, then by content when the name says
// nothing), in order; names that are not UTF-8 go to badNames; folders,
// other files and missing files are dropped.
SortedDrop sortDroppedFiles(const std::vector<QUrl>& urls);

} // namespace tessarin

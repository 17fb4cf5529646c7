#pragma once
// Whether a file's name can be stored. Show files keep paths as JSON
// (Unicode) text, so a path whose bytes are not valid UTF-8 would be saved
// broken and its item lost at the next opening: such files are refused
// wherever they come in. Any thread.
#include <QUrl>

namespace tessarin {

// False when the URL's path, as the bytes it names on disk, is not valid
// UTF-8 (the URL is percent-encoded, so those bytes survive in it).
bool hasUtf8FileName(const QUrl& url);

} // namespace tessarin

#pragma once
// How many items use each file, for the caches of what was made from files
// (thumbnails, waveforms): an entry is kept while its file is in use, so a
// show closed gives back what its files took. Any thread; listeners are
// called outside the lock, on the thread of the release.
#include <QUrl>

#include <functional>

namespace tessarin::FileUses {

// An item uses url from its creation to its end.
void use(const QUrl& url);
// When the last user of url goes, every listener hears of it.
void release(const QUrl& url);
bool isUsed(const QUrl& url);
// Listeners live as long as the process (the caches never go).
void onUnused(std::function<void(const QUrl&)> listener);

} // namespace tessarin::FileUses

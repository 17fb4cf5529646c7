#pragma once
// A table keyed by file URL for the caches of a show's files (one entry per
// file, 100,000 and more). Each key's hash is kept beside it, so the table
// grows without hashing every URL again: a QHash of 65,536 URLs took over
// 100 ms of the main thread to grow, in the middle of opening a show.
#include <QHash>
#include <QPair>
#include <QUrl>

#include <cstddef>
#include <unordered_map>

namespace tessarin {

struct UrlHash {
    // Not noexcept, which is what makes the standard table keep the hashes.
    std::size_t operator()(const QUrl& url) const { return qHash(url); }
    std::size_t operator()(const QPair<QUrl, int>& key) const { return qHash(key); }
};

template <typename Key, typename Value>
using UrlTable = std::unordered_map<Key, Value, UrlHash>;

} // namespace tessarin

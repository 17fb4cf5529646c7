#pragma once
// What was made from files (a thumbnail, a waveform), kept per file URL
// while an item uses the file (FileUses), and of the files no longer used
// only the latest few, for an item made again soon for the same file. A
// show closed and another opened gives back what the first one's files took.
// Its users fill it on the main thread, so its lock is not contended while a
// show of thousands of files is opened; one lock, never held while another
// is taken.
#include "media/FileUses.h"
#include "media/UrlTable.h"

#include <QUrl>

#include <cstddef>
#include <deque>
#include <mutex>

namespace tessarin {

template <typename Value>
class FileCache {
public:
    // Instances live as long as the process (they listen to FileUses).
    explicit FileCache(std::size_t spareLimit) : spareLimit_(spareLimit)
    {
        FileUses::onUnused([this](const QUrl& url) { retire(url); });
    }
    FileCache(const FileCache&) = delete;
    FileCache& operator=(const FileCache&) = delete;

    // The value kept for url; a default value when none is.
    Value value(const QUrl& url) const
    {
        std::lock_guard lock(mutex_);
        const auto it = values_.find(url);
        return it == values_.end() ? Value() : it->second;
    }

    void insert(const QUrl& url, Value value)
    {
        {
            std::lock_guard lock(mutex_);
            values_.insert_or_assign(url, std::move(value));
        }
        if (!FileUses::isUsed(url))
            retire(url);
    }

    std::size_t size() const
    {
        std::lock_guard lock(mutex_);
        return values_.size();
    }

private:
    // url's entry becomes a spare one; the oldest spares beyond the limit
    // go, unless their file has been used again since.
    void retire(const QUrl& url)
    {
        std::deque<QUrl> due;
        {
            std::lock_guard lock(mutex_);
            if (!values_.contains(url))
                return;
            // Retired again after a use: its older place in the queue goes,
            // or it would be let go as soon as that place came up.
            std::erase(spare_, url);
            spare_.push_back(url);
            while (spare_.size() > spareLimit_) {
                due.push_back(std::move(spare_.front()));
                spare_.pop_front();
            }
        }
        for (const QUrl& oldest : due) {
            if (FileUses::isUsed(oldest))
                continue; // kept while used; retired again when it is not
            std::lock_guard lock(mutex_);
            values_.erase(oldest);
        }
    }

    mutable std::mutex mutex_;
    UrlTable<QUrl, Value> values_;
    std::deque<QUrl> spare_; // oldest first
    const std::size_t spareLimit_;
};

} // namespace tessarin

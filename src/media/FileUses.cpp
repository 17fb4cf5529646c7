#include "media/FileUses.h"

#include <QHash>

#include <mutex>
#include <vector>

namespace tessarin::FileUses {
namespace {

struct Registry {
    std::mutex mutex;
    QHash<QUrl, int> counts;
    std::vector<std::function<void(const QUrl&)>> listeners;
};

Registry& registry()
{
    // Never destroyed: items may end as the process exits.
    static Registry* instance = new Registry;
    return *instance;
}

} // namespace

void use(const QUrl& url)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    ++r.counts[url];
}

void release(const QUrl& url)
{
    Registry& r = registry();
    std::vector<std::function<void(const QUrl&)>> listeners;
    {
        std::lock_guard lock(r.mutex);
        const auto it = r.counts.find(url);
        if (it == r.counts.end() || --it.value() > 0)
            return;
        r.counts.erase(it);
        listeners = r.listeners;
    }
    for (const auto& listener : listeners)
        listener(url);
}

bool isUsed(const QUrl& url)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.counts.contains(url);
}

void onUnused(std::function<void(const QUrl&)> listener)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.listeners.push_back(std::move(listener));
}

} // namespace tessarin::FileUses

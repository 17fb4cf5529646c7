#include "streaming/SecretStore.h"

#include "platform/SecretStore.h"

#include <mutex>

namespace tessarin {
namespace {

std::mutex serviceMutex;
QString serviceOverride;

} // namespace

QString SecretStore::service()
{
    std::lock_guard guard(serviceMutex);
    if (!serviceOverride.isEmpty())
        return serviceOverride;
    return QStringLiteral("org.tessarin.Vellumcast");
}

void SecretStore::overrideServiceForTesting(const QString& service)
{
    std::lock_guard guard(serviceMutex);
    serviceOverride = service;
}

std::optional<QString> SecretStore::string(const QString& account, const Cancellation* cancellation)
{
    return platform::SecretStore::read(service(), account, cancellation);
}

platform::SecretStore::Lookup SecretStore::lookup(const QString& account, const Cancellation* cancellation)
{
    return platform::SecretStore::lookup(service(), account, cancellation);
}

bool SecretStore::set(const std::optional<QString>& text, const QString& account, const Cancellation* cancellation)
{
    if (!text || text->isEmpty())
        return platform::SecretStore::remove(service(), account, cancellation);
    // The secret service replaces an item with the same attributes, so a
    // second write keeps one item.
    return platform::SecretStore::write(service(), account, *text, cancellation);
}

} // namespace tessarin

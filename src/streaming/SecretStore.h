#pragma once
// The keychain entries of the stream destination addresses: one text per
// account name under the application's service. A read that fails gives
// nullopt; a write that fails leaves the entry as it was and says so.
// The calls are synchronous and may block for long (a secret service that is
// starting or stuck): any thread but the main one, which reaches the entries
// through KeychainQueue.
#include "platform/SecretStore.h"

#include <QString>

#include <optional>

namespace tessarin {

class SecretStore {
public:
    SecretStore() = delete;

    // The service attribute of every entry.
    static QString service();
    using Cancellation = platform::SecretStore::Cancellation;

    // The stored text of the account, or nullopt.
    static std::optional<QString> string(const QString& account, const Cancellation* cancellation = nullptr);
    // The stored text, and whether the entry is there but its keyring locked.
    static platform::SecretStore::Lookup lookup(const QString& account, const Cancellation* cancellation = nullptr);
    // Stores text under the account; nullopt or "" deletes the entry. False
    // when the entry was left as it was.
    static bool set(const std::optional<QString>& text, const QString& account,
                    const Cancellation* cancellation = nullptr);

    // Tests keep their entries apart from the application's and each other's.
    static void overrideServiceForTesting(const QString& service);
};

} // namespace tessarin

#pragma once
// The keychain entries of the stream destination addresses: one text per
// account name under the application's service. Nothing is reported: a read
// that fails gives nullopt, a write that fails leaves the entry as it was.
// Main thread (the calls are synchronous).
#include <QString>

#include <optional>

namespace tessarin {

class SecretStore {
public:
    SecretStore() = delete;

    // The service attribute of every entry.
    static QString service();
    // The stored text of the account, or nullopt.
    static std::optional<QString> string(const QString& account);
    // Stores text under the account; nullopt or "" deletes the entry.
    static void set(const std::optional<QString>& text, const QString& account);

    // Tests keep their entries apart from the application's and each other's.
    static void overrideServiceForTesting(const QString& service);
};

} // namespace tessarin

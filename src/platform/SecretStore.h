#pragma once
// Texts kept in the desktop's secret service (libsecret), one per service
// and account. Reads never ask the user to unlock a keyring: a locked item
// reads as absent. Every call is synchronous; nothing falls back to a file.
#include <QString>

#include <optional>

namespace tessarin::platform {

class SecretStore {
public:
    // The stored text, or nullopt when there is none, it is locked, or the
    // secret service cannot be reached.
    static std::optional<QString> read(const QString& service, const QString& account);
    // Stores text (replacing an older item); false when it was not stored,
    // also when the default keyring is locked.
    static bool write(const QString& service, const QString& account, const QString& text);
    // Deletes the item; true when none is left.
    static bool remove(const QString& service, const QString& account);
    // Whether a secret service answers on the session bus.
    static bool available();
};

} // namespace tessarin::platform

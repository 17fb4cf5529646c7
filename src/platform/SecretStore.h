#pragma once
// Texts kept in the desktop's secret service (libsecret), one per service
// and account. Reads never ask the user to unlock a keyring: a locked item
// reads as absent. Every call is synchronous and may block for as long as the
// secret service takes to answer (seconds when it is starting or stuck), so
// callers keep it off the main thread; a Cancellation cuts it short from
// another thread. Nothing falls back to a file.
#include <QString>

#include <optional>

struct _GCancellable;

namespace tessarin::platform {

class SecretStore {
public:
    // Lets any thread end the calls made with it: a call in progress returns
    // its failure soon after cancel(), later calls fail at once.
    class Cancellation {
    public:
        Cancellation();
        ~Cancellation();
        Cancellation(const Cancellation&) = delete;
        Cancellation& operator=(const Cancellation&) = delete;

        void cancel();
        bool isCancelled() const;
        _GCancellable* handle() const { return cancellable_; }

    private:
        _GCancellable* cancellable_;
    };

    // What a read found: the text, or none; locked when the item is there
    // but its keyring is locked (the text cannot be had without an unlock).
    struct Lookup {
        std::optional<QString> text;
        bool locked = false;
    };
    // The stored text, and whether an item was found locked. Never asks for
    // an unlock.
    static Lookup lookup(const QString& service, const QString& account, const Cancellation* cancellation = nullptr);
    // The stored text, or nullopt when there is none, it is locked, or the
    // secret service cannot be reached.
    static std::optional<QString> read(const QString& service, const QString& account,
                                       const Cancellation* cancellation = nullptr);
    // Stores text (replacing an older item); false when it was not stored,
    // also when the default keyring is locked.
    static bool write(const QString& service, const QString& account, const QString& text,
                      const Cancellation* cancellation = nullptr);
    // Deletes the item; true when none is left (false when one is left in a
    // locked keyring).
    static bool remove(const QString& service, const QString& account, const Cancellation* cancellation = nullptr);
    // Whether a secret service answers on the session bus.
    static bool available(const Cancellation* cancellation = nullptr);
};

} // namespace tessarin::platform

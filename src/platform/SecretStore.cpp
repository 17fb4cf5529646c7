// libsecret first: its GLib headers use a member named "signals", which Qt
// turns into a keyword.
#include <libsecret/secret.h>

#include "platform/SecretStore.h"

#include <QByteArray>

namespace tessarin::platform {
namespace {

SecretSchema schemaWith(SecretSchemaFlags flags)
{
    return {
        "Vellumcast",
        flags,
        {
            { "service", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "account", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING },
        },
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    };
}

// What items are stored with.
const SecretSchema* schema()
{
    static const SecretSchema value = schemaWith(SECRET_SCHEMA_NONE);
    return &value;
}

// What items are looked for and deleted with: the same attributes without
// the schema's name. A keyring locked since its daemon started does not
// answer a search that includes the name (libsecret adds it as
// "xdg:schema"), though it answers one by the item's other attributes; the
// service attribute keeps the items apart.
const SecretSchema* searchSchema()
{
    static const SecretSchema value = schemaWith(SECRET_SCHEMA_DONT_MATCH_NAME);
    return &value;
}

// The two attributes of an item; the byte arrays outlive the table.
class Attributes {
public:
    Attributes(const QString& service, const QString& account)
        : service_(service.toUtf8())
        , account_(account.toUtf8())
        , table_(g_hash_table_new(g_str_hash, g_str_equal))
    {
        g_hash_table_insert(table_, const_cast<char*>("service"), service_.data());
        g_hash_table_insert(table_, const_cast<char*>("account"), account_.data());
    }
    ~Attributes() { g_hash_table_unref(table_); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    GHashTable* table() const { return table_; }

private:
    QByteArray service_;
    QByteArray account_;
    GHashTable* table_;
};

void clear(GError*& error)
{
    if (error) {
        g_error_free(error);
        error = nullptr;
    }
}

GCancellable* handleOf(const SecretStore::Cancellation* cancellation)
{
    return cancellation ? cancellation->handle() : nullptr;
}

SecretService* connect(GCancellable* cancellable)
{
    if (cancellable && g_cancellable_is_cancelled(cancellable))
        return nullptr;
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, cancellable, &error);
    clear(error);
    return service;
}

} // namespace

SecretStore::Cancellation::Cancellation()
    : cancellable_(g_cancellable_new())
{
}

SecretStore::Cancellation::~Cancellation()
{
    g_object_unref(cancellable_);
}

void SecretStore::Cancellation::cancel()
{
    g_cancellable_cancel(cancellable_);
}

bool SecretStore::Cancellation::isCancelled() const
{
    return g_cancellable_is_cancelled(cancellable_);
}

bool SecretStore::available(const Cancellation* cancellation)
{
    SecretService* service = connect(handleOf(cancellation));
    if (!service)
        return false;
    g_object_unref(service);
    return true;
}

std::optional<QString> SecretStore::read(const QString& serviceName, const QString& account,
                                         const Cancellation* cancellation)
{
    return lookup(serviceName, account, cancellation).text;
}

SecretStore::Lookup SecretStore::lookup(const QString& serviceName, const QString& account,
                                        const Cancellation* cancellation)
{
    GCancellable* cancellable = handleOf(cancellation);
    SecretService* service = connect(cancellable);
    if (!service)
        return {};
    Attributes attributes(serviceName, account);
    GError* error = nullptr;
    // No SECRET_SEARCH_UNLOCK: a locked item comes back without its secret
    // instead of raising an unlock prompt. Every match, so an unlocked copy
    // in another keyring is found beside a locked one.
    GList* items = secret_service_search_sync(
        service, searchSchema(), attributes.table(),
        static_cast<SecretSearchFlags>(SECRET_SEARCH_LOAD_SECRETS | SECRET_SEARCH_ALL), cancellable, &error);
    clear(error);
    Lookup result;
    bool locked = false;
    for (GList* node = items; node && !result.text; node = node->next) {
        auto* item = static_cast<SecretItem*>(node->data);
        if (secret_item_get_locked(item)) {
            locked = true;
            continue;
        }
        if (SecretValue* value = secret_item_get_secret(item)) {
            gsize length = 0;
            const gchar* bytes = secret_value_get(value, &length);
            const QByteArray data(bytes, static_cast<qsizetype>(length));
            if (data.isValidUtf8())
                result.text = QString::fromUtf8(data);
            secret_value_unref(value);
        }
    }
    result.locked = locked && !result.text;
    g_list_free_full(items, g_object_unref);
    g_object_unref(service);
    return result;
}

bool SecretStore::write(const QString& serviceName, const QString& account, const QString& text,
                        const Cancellation* cancellation)
{
    GCancellable* cancellable = handleOf(cancellation);
    SecretService* service = connect(cancellable);
    if (!service)
        return false;
    GError* error = nullptr;
    SecretCollection* collection
        = secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, cancellable, &error);
    clear(error);
    const bool unlocked = collection && !secret_collection_get_locked(collection);
    if (collection)
        g_object_unref(collection);
    g_object_unref(service);
    if (!unlocked)
        return false; // storing would ask the user to unlock it

    Attributes attributes(serviceName, account);
    const QByteArray label = QStringLiteral("Vellumcast %1").arg(account).toUtf8();
    const QByteArray secret = text.toUtf8();
    const gboolean stored = secret_password_storev_sync(schema(), attributes.table(), SECRET_COLLECTION_DEFAULT,
                                                        label.constData(), secret.constData(), cancellable, &error);
    clear(error);
    return stored;
}

bool SecretStore::remove(const QString& serviceName, const QString& account, const Cancellation* cancellation)
{
    GCancellable* cancellable = handleOf(cancellation);
    if (cancellable && g_cancellable_is_cancelled(cancellable))
        return false;
    Attributes attributes(serviceName, account);
    GError* error = nullptr;
    secret_password_clearv_sync(searchSchema(), attributes.table(), cancellable, &error);
    const bool failed = error != nullptr;
    clear(error);
    if (failed)
        return false;
    // Only unlocked items are deleted (and no unlock is asked for): one left
    // in a locked keyring means the entry is still there.
    const Lookup left = lookup(serviceName, account, cancellation);
    return !left.text && !left.locked;
}

} // namespace tessarin::platform

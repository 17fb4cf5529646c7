// Reads or stores one keychain text in the session's secret service, for the
// tests that need a secret service of their own (one started with its
// keyring locked): the test process is bound to the suite's bus for life.
//   keyring_probe store SERVICE ACCOUNT TEXT   exits 0 once stored
//   keyring_probe lookup SERVICE ACCOUNT       prints "text TEXT", "locked" or "missing"
//   keyring_probe remove SERVICE ACCOUNT       prints "removed" or "kept"
#include "platform/SecretStore.h"

#include <cstdio>
#include <cstring>

using tessarin::platform::SecretStore;

int main(int argc, char* argv[])
{
    if (argc == 5 && std::strcmp(argv[1], "store") == 0)
        return SecretStore::write(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]), QString::fromUtf8(argv[4])) ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "lookup") == 0) {
        const SecretStore::Lookup found = SecretStore::lookup(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]));
        if (found.text)
            std::printf("text %s\n", found.text->toUtf8().constData());
        else
            std::printf("%s\n", found.locked ? "locked" : "missing");
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "remove") == 0) {
        std::printf("%s\n", SecretStore::remove(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3])) ? "removed" : "kept");
        return 0;
    }
    std::fprintf(stderr, "usage: keyring_probe store SERVICE ACCOUNT TEXT | lookup|remove SERVICE ACCOUNT\n");
    return 2;
}

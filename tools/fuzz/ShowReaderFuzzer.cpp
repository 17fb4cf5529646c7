// libFuzzer target for the show file reader (built and run by
// tools/fuzz-show.sh; not part of the test suite).
//
// Any bytes: the reader must answer without crashing, leaking or undefined
// behaviour. Bytes that it accepts must also survive the writer: the
// document encodes (a read document holds only finite numbers), reads back,
// and a second encoding is byte-identical to the first.
#include "show/ShowDocument.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto doc = tessarin::ShowDocument::fromJson(bytes);
    if (!doc)
        return 0;
    for (auto layout : {tessarin::ShowDocument::Layout::pretty, tessarin::ShowDocument::Layout::compact}) {
        const auto first = doc->toJson(layout);
        if (!first) {
            std::fprintf(stderr, "an accepted document does not encode\n");
            std::abort();
        }
        const auto again = tessarin::ShowDocument::fromJson(*first);
        if (!again) {
            std::fprintf(stderr, "the writer's output is refused by the reader:\n%s\n", first->constData());
            std::abort();
        }
        const auto second = again->toJson(layout);
        if (!second || *second != *first) {
            std::fprintf(stderr, "a second encoding differs:\n%s\n---\n%s\n", first->constData(),
                         second ? second->constData() : "(none)");
            std::abort();
        }
    }
    return 0;
}

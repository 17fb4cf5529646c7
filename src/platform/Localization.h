#pragma once
// Interface language. Texts are written in Italian in the code (tr() with
// the Italian text as source); English comes from the embedded translation.
#include <QString>

namespace tessarin {

class Localization {
public:
    // The languages the interface has, as stored: "it" or "en".
    // Installs the translator for language on the running application
    // ("it" removes it). Returns false when the English translation is
    // missing from the binary. Main thread.
    static bool apply(const QString& language);

    // The language the interface is running in: "it" or "en".
    static QString current();

    // What "follow the system" means here: "en" when the user's preferred
    // UI languages put English before Italian, "it" otherwise.
    static QString systemLanguage();
};

} // namespace tessarin

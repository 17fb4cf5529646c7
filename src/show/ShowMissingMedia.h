#pragma once
// The texts of the alert that names the media a show could not find when it
// was opened: each name once, in plain code-unit order, at most 8 listed.
// Main thread (translations).
#include <QString>
#include <QStringList>

namespace tessarin {

struct ShowMissingMedia {
    QString message;
    QString informativeText;

    static constexpr int kListedNames = 8;

    // missing: the file names in the order their references failed, with
    // repeats; must not be empty.
    static ShowMissingMedia alertFor(const QStringList& missing);
};

} // namespace tessarin

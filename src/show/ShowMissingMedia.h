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
    // A name longer than this is shown by its start and its end around an
    // ellipsis: an alert lays its whole text out before it appears, and a
    // name of a mebibyte held the interface for many seconds.
    static constexpr int kNameChars = 120;

    // missing: the file names in the order their references failed, with
    // repeats; must not be empty.
    static ShowMissingMedia alertFor(const QStringList& missing);
    // text when it has at most most characters; otherwise its first and
    // last characters with a horizontal ellipsis between them, most in all.
    static QString shortened(const QString& text, int most = kNameChars);
};

} // namespace tessarin

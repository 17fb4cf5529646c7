#include "show/ShowMissingMedia.h"

#include <QChar>
#include <QCoreApplication>

#include <algorithm>

namespace tessarin {

ShowMissingMedia ShowMissingMedia::alertFor(const QStringList& missing)
{
    QStringList names = missing;
    // Plain comparison of the text: case-sensitive, no locale.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());

    ShowMissingMedia alert;
    alert.message = names.size() == 1
        ? QCoreApplication::translate("ShowController", "Un file non è stato trovato")
        : QCoreApplication::translate("ShowController", "%1 file non sono stati trovati").arg(names.size());
    QStringList listed = names.mid(0, kListedNames);
    for (QString& name : listed)
        name = shortened(name);
    alert.informativeText = listed.join(QLatin1Char('\n'));
    if (names.size() > kListedNames)
        alert.informativeText += QLatin1Char('\n') + QString(QChar(0x2026));
    alert.informativeText += QCoreApplication::translate(
        "ShowController", "\n\nSono stati tolti dallo show; se lo salvi ora, non ci saranno più.");
    return alert;
}

QString ShowMissingMedia::shortened(const QString& text, int most)
{
    if (text.size() <= most || most < 3)
        return text;
    // Cut between characters, never inside a surrogate pair.
    qsizetype head = (most - 1) / 2;
    qsizetype tail = most - 1 - head;
    if (head > 0 && text.at(head - 1).isHighSurrogate())
        --head;
    if (text.at(text.size() - tail).isLowSurrogate())
        --tail;
    return text.left(head) + QChar(0x2026) + text.right(tail);
}

} // namespace tessarin

// Renders states of the interface to PNG files:
//   tessarin_screenshots --out DIR [--lang it|en] [--list] [STATE...]
// Each state is made on a fresh stage, shown, and photographed as
// DIR/<state>-<lang>.png. Without STATE arguments every state is rendered.
#include "Stage.h"

#include "app/AppLook.h"
#include "platform/Localization.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>

#include <cstdio>

using namespace tessarin;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vellumcast"));
    QApplication::setApplicationName(QStringLiteral("Vellumcast"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tessarin"));
    QApplication::setApplicationVersion(QStringLiteral("0.1.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessarin.svg")));

    QStringList args = QApplication::arguments().mid(1);
    QString out = QStringLiteral("screenshots");
    QString language = QStringLiteral("it");
    QStringList wanted;
    bool list = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            out = args[++i];
        else if (args[i] == QLatin1String("--lang") && i + 1 < args.size())
            language = args[++i];
        else if (args[i] == QLatin1String("--list"))
            list = true;
        else
            wanted << args[i];
    }
    if (list) {
        for (const auto& state : screenshotStates())
            std::printf("%s\n", qPrintable(state.name));
        return 0;
    }
    Localization::apply(language);
    applyDarkLook(app);
    QDir().mkpath(out);

    int failures = 0;
    for (const auto& state : screenshotStates()) {
        if (!wanted.isEmpty() && !wanted.contains(state.name))
            continue;
        Stage stage;
        QWidget* widget = state.make(stage);
        if (!widget) {
            std::fprintf(stderr, "%s: made nothing\n", qPrintable(state.name));
            ++failures;
            continue;
        }
        if (!widget->isVisible())
            widget->show();
        QTest::qWaitForWindowExposed(widget->window());
        // Let queued refreshes (monitor, layouts) run and paint.
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            QTest::qWait(20);
        }
        const QString file = QDir(out).filePath(QStringLiteral("%1-%2.png").arg(state.name, language));
        if (!widget->grab().save(file)) {
            std::fprintf(stderr, "%s: cannot write %s\n", qPrintable(state.name), qPrintable(file));
            ++failures;
        } else {
            std::printf("%s\n", qPrintable(file));
        }
    }
    return failures == 0 ? 0 : 1;
}

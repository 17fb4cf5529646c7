// The real file dialog of the browser: what the operator picks in it reaches
// the completion, and a cancel answers with nothing.
#include "support/TestSupport.h"
#include "ui/browser/BrowserDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>

namespace tessarin::test {
namespace {

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

TEST(BrowserDialogs, ChosenFilesReachTheCompletionAndCancelAnswersNone)
{
    QTemporaryDir dir;
    touch(dir.filePath("Sigla.mp4"));
    touch(dir.filePath("Jingle.wav"));
    QWidget parent;
    parent.show();
    auto dialogs = makeQtBrowserDialogs();

    std::optional<std::vector<QUrl>> chosen;
    dialogs->chooseMediaFiles(&parent, [&](std::vector<QUrl> urls) { chosen = std::move(urls); });
    QFileDialog* dialog = shownFileDialog(parent);
    ASSERT_NE(dialog, nullptr);
    dialog->setDirectory(dir.path());
    dialog->selectFile(QStringLiteral("\"Sigla.mp4\" \"Jingle.wav\""));
    QMetaObject::invokeMethod(dialog, "accept");
    ASSERT_TRUE(QTest::qWaitFor([&] { return chosen.has_value(); }, 10000));
    std::vector<QString> names;
    for (const QUrl& url : *chosen)
        names.push_back(url.toLocalFile());
    EXPECT_EQ(names, (std::vector<QString> { dir.filePath("Sigla.mp4"), dir.filePath("Jingle.wav") }));

    chosen.reset();
    dialogs->chooseMediaFiles(&parent, [&](std::vector<QUrl> urls) { chosen = std::move(urls); });
    dialog = shownFileDialog(parent);
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chosen.has_value(); }, 10000));
    EXPECT_TRUE(chosen->empty());
}

} // namespace tessarin::test

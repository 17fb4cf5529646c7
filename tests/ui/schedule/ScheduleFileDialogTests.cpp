// The event editor's real file dialog: the file the operator picks reaches
// the editor, and a cancel answers with nothing.
#include "support/TestSupport.h"
#include "ui/schedule/EventContentPickers.h"

#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>

namespace tessarin::test {

TEST(ScheduleFileDialog, ChosenFileReachesTheEditorAndCancelAnswersNone)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("Sigla.mp4"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    QWidget parent;
    parent.show();
    const MediaFileChooser chooser = FilePicker::systemChooser();

    int answers = 0;
    std::optional<QUrl> chosen;
    chooser(&parent, [&](std::optional<QUrl> url) { ++answers; chosen = std::move(url); });
    QFileDialog* dialog = shownFileDialog(parent);
    ASSERT_NE(dialog, nullptr);
    dialog->setDirectory(dir.path());
    dialog->selectFile(QStringLiteral("Sigla.mp4"));
    QMetaObject::invokeMethod(dialog, "accept");
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers > 0; }, 10000));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->toLocalFile(), dir.filePath("Sigla.mp4"));

    answers = 0;
    chooser(&parent, [&](std::optional<QUrl> url) { ++answers; chosen = std::move(url); });
    dialog = shownFileDialog(parent);
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers > 0; }, 10000));
    EXPECT_FALSE(chosen.has_value());
    EXPECT_EQ(answers, 1);
}

} // namespace tessarin::test

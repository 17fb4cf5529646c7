// The on-screen panels and alerts, answered by clicking them.
#include "show/ShowDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tessarin;

namespace {

// Acts on the next modal window once its nested event loop runs.
void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

void clickButton(QWidget* modal, const QString& text)
{
    for (auto* button : modal->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    static_cast<QDialog*>(modal)->reject();
}

} // namespace

TEST(QtShowDialogs, TheQuestionAnswersByTheButtonPressed)
{
    QtShowDialogs dialogs;
    QString shownText;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        shownText = box->text() + "|" + box->informativeText();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        ASSERT_TRUE(box->defaultButton());
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Salva"));
        clickButton(modal, QStringLiteral("Non salvare"));
    });
    EXPECT_EQ(dialogs.askToSaveChanges("Domanda", "Dettagli"), ShowDialogs::SaveAnswer::dontSave);
    EXPECT_EQ(shownText, QStringLiteral("Domanda|Dettagli"));

    whenModal([](QWidget* modal) { clickButton(modal, QStringLiteral("Salva")); });
    EXPECT_EQ(dialogs.askToSaveChanges("Domanda", "Dettagli"), ShowDialogs::SaveAnswer::save);

    whenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.askToSaveChanges("Domanda", "Dettagli"), ShowDialogs::SaveAnswer::cancel);
}

TEST(QtShowDialogs, TheSavePanelOffersTheNameAndAddsTheExtension)
{
    QTemporaryDir dir;
    QtShowDialogs dialogs;
    QString offered;
    QString startedIn;
    whenModal([&](QWidget* modal) {
        auto* panel = qobject_cast<QFileDialog*>(modal);
        ASSERT_TRUE(panel);
        EXPECT_EQ(panel->windowTitle(), QStringLiteral("Salva lo show"));
        offered = panel->findChild<QLineEdit*>("fileNameEdit")->text();
        startedIn = panel->directory().absolutePath();
        panel->setDirectory(dir.path());
        // The name field is what the panel accepts; selectFile() waits for the
        // folder to be listed, which a busy machine may not have done yet.
        panel->findChild<QLineEdit*>("fileNameEdit")->setText(QStringLiteral("Serata"));
        QMetaObject::invokeMethod(panel, "accept");
    });
    const QString folder = QDir(dir.path()).filePath("Shows");
    QDir().mkpath(folder);
    const auto chosen = dialogs.chooseShowToSave(QStringLiteral("Show.vellumcast"), QStringLiteral("Salva lo show"), folder);
    EXPECT_EQ(offered, QStringLiteral("Show.vellumcast"));
    EXPECT_EQ(startedIn, folder);
    EXPECT_EQ(chosen, dir.filePath("Serata.vellumcast"));

    whenModal([&](QWidget* modal) {
        auto* panel = qobject_cast<QFileDialog*>(modal);
        panel->setDirectory(dir.path());
        panel->findChild<QLineEdit*>("fileNameEdit")->setText(QStringLiteral("Serata.txt"));
        QMetaObject::invokeMethod(panel, "accept");
    });
    EXPECT_EQ(dialogs.chooseShowToSave(QStringLiteral("Show.vellumcast"), QStringLiteral("Salva lo show"), dir.path()),
              dir.filePath("Serata.txt.vellumcast"));

    whenModal([&](QWidget* modal) {
        startedIn = static_cast<QFileDialog*>(modal)->directory().absolutePath();
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_FALSE(dialogs.chooseShowToOpen(QStringLiteral("Apri uno show di Tessarin"), folder));
    EXPECT_EQ(startedIn, folder);
}

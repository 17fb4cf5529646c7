#include "show/ShowDialogs.h"

#include "show/ShowMissingMedia.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tessarin {
namespace {

QString showFilter()
{
    return QStringLiteral("*.") + QLatin1String(QtShowDialogs::kExtension);
}

} // namespace

QtShowDialogs::QtShowDialogs(QWidget* parent)
    : parent_(parent)
{
}

std::optional<QString> QtShowDialogs::chooseShowToOpen(const QString& message, const QString& folder)
{
    QFileDialog panel(parent_, message, folder);
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setNameFilter(showFilter());
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return std::nullopt;
    return panel.selectedFiles().constFirst();
}

std::optional<QString> QtShowDialogs::chooseShowToSave(const QString& suggestedName, const QString& message,
                                                       const QString& folder)
{
    QFileDialog panel(parent_, message, folder);
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setFileMode(QFileDialog::AnyFile);
    panel.setNameFilter(showFilter());
    panel.setDefaultSuffix(QLatin1String(kExtension));
    panel.selectFile(suggestedName);
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return std::nullopt;
    // A native panel may hand back the name as typed; a show file always
    // carries its extension, as the save panel of the show promises.
    QString path = panel.selectedFiles().constFirst();
    const QString suffix = QLatin1Char('.') + QLatin1String(kExtension);
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    return path;
}

namespace {

// Every line of an alert within a length its box can lay out at once (a
// system message may quote a path of any length).
QString boundedLines(const QString& text)
{
    constexpr int kLineChars = 400;
    if (text.size() <= kLineChars)
        return text;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = ShowMissingMedia::shortened(line, kLineChars);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void QtShowDialogs::warn(const QString& message, const QString& informativeText)
{
    QMessageBox alert(QMessageBox::Warning, QString(), boundedLines(message), QMessageBox::Ok, parent_);
    alert.setInformativeText(boundedLines(informativeText));
    alert.setDefaultButton(QMessageBox::Ok);
    alert.exec();
}

ShowDialogs::SaveAnswer QtShowDialogs::askToSaveChanges(const QString& message, const QString& informativeText)
{
    // The button texts are the show controller's, so they share its context.
    QMessageBox alert(QMessageBox::Warning, QString(), boundedLines(message), QMessageBox::NoButton, parent_);
    alert.setInformativeText(boundedLines(informativeText));
    QPushButton* save = alert.addButton(QCoreApplication::translate("ShowController", "Salva"), QMessageBox::AcceptRole);
    QPushButton* dontSave = alert.addButton(QCoreApplication::translate("ShowController", "Non salvare"), QMessageBox::DestructiveRole);
    QPushButton* cancel = alert.addButton(QCoreApplication::translate("ShowController", "Annulla"), QMessageBox::RejectRole);
    alert.setDefaultButton(save);
    alert.setEscapeButton(cancel);
    alert.exec();
    if (alert.clickedButton() == save)
        return SaveAnswer::save;
    if (alert.clickedButton() == dontSave)
        return SaveAnswer::dontSave;
    return SaveAnswer::cancel;
}

} // namespace tessarin

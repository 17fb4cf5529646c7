#include "ui/browser/BrowserDialogs.h"

#include "ui/browser/MediaImport.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

#include <memory>

namespace tessarin {
namespace {

class QtBrowserDialogs final : public BrowserDialogs {
public:
    void chooseMediaFiles(QWidget* parent, std::function<void(std::vector<QUrl>)> completion) override
    {
        auto* dialog = new QFileDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFiles);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setNameFilter(mediaNameFilter());
        dialog->setWindowModality(Qt::WindowModal);
        // finished comes after urlsSelected; the shared flag makes the
        // completion run exactly once.
        auto answered = std::make_shared<bool>(false);
        auto done = std::make_shared<std::function<void(std::vector<QUrl>)>>(std::move(completion));
        QObject::connect(dialog, &QFileDialog::urlsSelected, dialog, [answered, done](const QList<QUrl>& urls) {
            if (*answered)
                return;
            *answered = true;
            (*done)(std::vector<QUrl>(urls.begin(), urls.end()));
        });
        QObject::connect(dialog, &QDialog::finished, dialog, [answered, done](int) {
            if (*answered)
                return;
            *answered = true;
            (*done)({});
        });
        dialog->open();
    }

    void warn(QWidget* parent, const QString& message, const QString& informativeText) override
    {
        auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::Ok, parent);
        box->setInformativeText(informativeText);
        box->setDefaultButton(QMessageBox::Ok);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        box->open();
    }
};

} // namespace

std::shared_ptr<BrowserDialogs> makeQtBrowserDialogs()
{
    return std::make_shared<QtBrowserDialogs>();
}

} // namespace tessarin

#include "ui/browser/BrowserDialogs.h"

#include "ui/browser/MediaImport.h"
#include "ui/kit/DialogFocus.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

#include <memory>
#include <utility>

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
        // The widget-based dialog never emits urlsSelected (only the native
        // helpers do), so the answer is read from the dialog when it closes.
        auto done = std::make_shared<std::function<void(std::vector<QUrl>)>>(std::move(completion));
        QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done](int result) {
            if (!*done)
                return;
            auto answer = std::exchange(*done, nullptr);
            if (result != QDialog::Accepted) {
                answer({});
                return;
            }
            const QList<QUrl> urls = dialog->selectedUrls();
            answer(std::vector<QUrl>(urls.begin(), urls.end()));
        });
        returnFocusWhenClosed(dialog);
        dialog->open();
    }

    void warn(QWidget* parent, const QString& message, const QString& informativeText) override
    {
        auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::Ok, parent);
        box->setInformativeText(informativeText);
        box->setDefaultButton(QMessageBox::Ok);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        returnFocusWhenClosed(box);
        box->open();
    }
};

} // namespace

std::shared_ptr<BrowserDialogs> makeQtBrowserDialogs()
{
    return std::make_shared<QtBrowserDialogs>();
}

} // namespace tessarin

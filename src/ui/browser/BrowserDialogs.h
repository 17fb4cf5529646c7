#pragma once
// The browser's modal panels: the file dialog that adds media and the alert
// that reports files it could not add. The column talks to this interface
// only, so tests answer the panels themselves; makeQtBrowserDialogs() puts
// them on screen, window-modal and without blocking. Main thread.
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace tessarin {

class BrowserDialogs {
public:
    virtual ~BrowserDialogs() = default;
    // Lets the operator pick several media files (video, audio, stills).
    // completion runs once, on the main thread, with the chosen files in the
    // dialog's order, or with none when the dialog was cancelled or failed.
    virtual void chooseMediaFiles(QWidget* parent, std::function<void(std::vector<QUrl>)> completion) = 0;
    // A warning alert with one default button.
    virtual void warn(QWidget* parent, const QString& message, const QString& informativeText) = 0;
};

std::shared_ptr<BrowserDialogs> makeQtBrowserDialogs();

} // namespace tessarin

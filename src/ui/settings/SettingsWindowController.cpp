#include "ui/settings/SettingsWindowController.h"

namespace tessarin {

SettingsWindowController& SettingsWindowController::shared()
{
    static SettingsWindowController controller;
    return controller;
}

void SettingsWindowController::show(const SettingsContext& context, std::optional<QString>)
{
    if (window_ && engine_ != &context.engine)
        close();
    if (!window_) {
        window_ = new QWidget(nullptr, Qt::Window);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->setWindowTitle(tr("Impostazioni"));
        window_->resize(720, 520);
        engine_ = &context.engine;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void SettingsWindowController::close()
{
    if (window_)
        delete window_.data();
    engine_ = nullptr;
}

} // namespace tessarin

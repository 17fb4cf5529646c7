#pragma once
// Owns the one settings window: made on first use, brought to the front when
// asked again for the same engine. (Its pages are not built yet: the window
// is empty.) Main thread.
#include "ui/settings/SettingsContext.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

namespace tessarin {

class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    static SettingsWindowController& shared();

    // Shows the settings window on section, or on the section shown last.
    void show(const SettingsContext& context, std::optional<QString> section = std::nullopt);
    QWidget* window() const { return window_; }
    // Closes and forgets the window (the application quits, or a test ends).
    void close();

private:
    QPointer<QWidget> window_;
    const PlaylistEngine* engine_ = nullptr;
};

} // namespace tessarin

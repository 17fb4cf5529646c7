#pragma once
// The main window's frame kept in the settings: its screen, where it is,
// its size and whether it is maximised, written as the operator moves,
// resizes, maximises or restores it, and brought back before it is first
// shown, within the screens there are then (WindowPlacement). Main thread.
#include "app/WindowPlacement.h"

#include <QObject>

#include <optional>

class QWidget;

namespace tessarin {

class Settings;

class MainWindowFrame final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kScreenKey = "Vellumcast.mainWindow.screen";
    // "x,y,width,height": the frame's corner, the size inside the frame.
    static constexpr const char* kGeometryKey = "Vellumcast.mainWindow.geometry";
    static constexpr const char* kMaximizedKey = "Vellumcast.mainWindow.maximized";
    // The frame a window manager draws, until the window has one to measure.
    static constexpr QMargins kFrameEstimate { 0, 32, 0, 0 };

    // Places window (not yet shown) as the settings and the screens say and
    // follows it from then on. window and settings outlive this object.
    MainWindowFrame(QWidget& window, Settings& settings, const WindowSizes& sizes);

    static std::optional<WindowFrame> read(const Settings& settings);
    static void write(Settings& settings, const WindowFrame& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keep();

    QWidget& window_;
    Settings& settings_;
    std::optional<WindowFrame> kept_;
};

} // namespace tessarin

#pragma once
// The application's main window; its content grows as the interface is built.
#include <QMainWindow>

namespace tessarin {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kDefaultWidth = 1440;
    static constexpr int kDefaultHeight = 860;
    static constexpr int kMinimumWidth = 1120;
    static constexpr int kMinimumHeight = 700;

    explicit MainWindow(QWidget* parent = nullptr);
};

} // namespace tessarin

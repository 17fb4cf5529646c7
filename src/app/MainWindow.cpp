#include "app/MainWindow.h"

#include <QLabel>

namespace tessarin {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(tr("Tessarin"));
    auto* content = new QWidget(this);
    content->setMinimumSize(kMinimumWidth, kMinimumHeight);
    setCentralWidget(content);
    resize(kDefaultWidth, kDefaultHeight);
}

} // namespace tessarin

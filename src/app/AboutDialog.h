#pragma once
// The About window: the program's icon, name and version, and the credits
// with the link to the third-party notices (opened by the desktop). One at a
// time; asking again brings it to the front. Main thread.
#include <QDialog>

namespace tessarin {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    // Shows the one About window for parent, making it when needed.
    static AboutDialog* present(QWidget* parent);
};

} // namespace tessarin

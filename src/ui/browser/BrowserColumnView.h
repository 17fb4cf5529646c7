#pragma once
// The media browser column: the show's files and the live sources (placeholder until it is built).
// Main thread.
#include <QWidget>

namespace tessarin {

class BrowserFiles;
class SourceLibrary;

class BrowserColumnView : public QWidget {
    Q_OBJECT
public:
    explicit BrowserColumnView(BrowserFiles& files, SourceLibrary& sources, QWidget* parent = nullptr);

};

} // namespace tessarin

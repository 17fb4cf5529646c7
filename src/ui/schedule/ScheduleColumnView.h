#pragma once
// The schedule column (placeholder until it is built).
// Main thread.
#include <QWidget>

namespace tessarin {

class BrowserFiles;
class PlaylistEngine;
class ScheduleController;
class SourceLibrary;

class ScheduleColumnView : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleColumnView(ScheduleController& schedule, PlaylistEngine& engine, SourceLibrary& sources, const BrowserFiles& browserFiles, QWidget* parent = nullptr);

};

} // namespace tessarin

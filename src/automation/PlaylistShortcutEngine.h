#pragma once
// The shortcut actions carried out on the real playback engine. The main
// window keeps one for as long as it hands it to the shortcut manager (which
// holds it weakly); the engine itself is held weakly too, so keys pass on
// untouched once it is gone. Main thread only.
#include "automation/ShortcutEngine.h"

#include <QPointer>

namespace tessarin {

class PlaylistEngine;

class PlaylistShortcutEngine final : public ShortcutEngine {
public:
    explicit PlaylistShortcutEngine(PlaylistEngine* engine);

    bool isAvailable() const override;
    void togglePlayPause() override;
    void stop() override;
    void takeCued() override;
    void clearCue() override;
    void cueSelected() override;
    void toggleLayer(int index) override;
    int blockCount() const override;
    void playBlock(int index) override;

private:
    QPointer<PlaylistEngine> engine_;
};

} // namespace tessarin

#pragma once
// What the shortcut actions do to the playback engine. The manager talks to
// the engine only through this table, so an adapter over PlaylistEngine
// (or a fake in tests) carries the calls. Main thread only.

namespace tessarin {

class ShortcutEngine {
public:
    virtual ~ShortcutEngine() = default;

    // False once the engine behind the adapter is gone: no binding is
    // looked at then and every key passes on.
    virtual bool isAvailable() const { return true; }

    virtual void togglePlayPause() = 0;
    virtual void stop() = 0;
    // playItem(cuedItem, in: cuedBlock) when both are present; else nothing.
    virtual void takeCued() = 0;
    virtual void clearCue() = 0;
    // cue(selectedItem, in: selectedBlock) when both are present; else nothing.
    virtual void cueSelected() = 0;
    // Flips isVisible of overlay layer index (0 or 1).
    virtual void toggleLayer(int index) = 0;
    // The number of playlist blocks.
    virtual int blockCount() const = 0;
    // play(block:) with the playlist block at index (< blockCount()).
    virtual void playBlock(int index) = 0;
};

} // namespace tessarin

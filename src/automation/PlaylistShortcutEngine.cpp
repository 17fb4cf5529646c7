#include "automation/PlaylistShortcutEngine.h"

#include "engine/OverlayLayer.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"

#include <limits>

namespace tessarin {

PlaylistShortcutEngine::PlaylistShortcutEngine(PlaylistEngine* engine)
    : engine_(engine)
{
}

bool PlaylistShortcutEngine::isAvailable() const
{
    return !engine_.isNull();
}

void PlaylistShortcutEngine::togglePlayPause()
{
    if (engine_)
        engine_->togglePlayPause();
}

void PlaylistShortcutEngine::stop()
{
    if (engine_)
        engine_->stop();
}

void PlaylistShortcutEngine::takeCued()
{
    if (engine_)
        engine_->takeCued();
}

void PlaylistShortcutEngine::clearCue()
{
    if (engine_)
        engine_->clearCue();
}

void PlaylistShortcutEngine::cueSelected()
{
    if (!engine_)
        return;
    auto item = engine_->selectedItem();
    auto block = engine_->selectedBlock();
    if (item && block)
        engine_->cue(item, block);
}

void PlaylistShortcutEngine::toggleLayer(int index)
{
    if (!engine_ || index < 0)
        return;
    const auto& layers = engine_->overlays().layers();
    if (static_cast<std::size_t>(index) >= layers.size())
        return;
    const auto& layer = layers[static_cast<std::size_t>(index)];
    layer->setIsVisible(!layer->isVisible());
}

int PlaylistShortcutEngine::blockCount() const
{
    if (!engine_)
        return 0;
    const std::size_t count = engine_->blocks().size();
    return count > static_cast<std::size_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                              : static_cast<int>(count);
}

void PlaylistShortcutEngine::playBlock(int index)
{
    if (!engine_ || index < 0)
        return;
    const auto blocks = engine_->blocks();
    if (static_cast<std::size_t>(index) < blocks.size())
        engine_->play(blocks[static_cast<std::size_t>(index)]);
}

} // namespace tessarin

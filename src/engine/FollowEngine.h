#pragma once
// A view's refresh run once per engine operation that emitted any of the
// signals it reads, with the state as the operation left it: a take sets the
// item, the block and the running state (some of them twice), and a view
// that refreshed on each would lay itself out and measure its texts for
// states that never reach the screen. Outside an operation the refresh runs
// right after the signal, as a direct connection would. Main thread.
#include "engine/PlaylistEngine.h"

#include <QObject>

#include <functional>
#include <initializer_list>
#include <memory>

namespace tessarin {

using EngineSignal = void (PlaylistEngine::*)();

// Connections live as long as receiver.
inline void followEngine(PlaylistEngine& engine, QObject* receiver, std::initializer_list<EngineSignal> sources,
    std::function<void()> refresh)
{
    auto owed = std::make_shared<bool>(false);
    for (EngineSignal signal : sources)
        QObject::connect(&engine, signal, receiver, [owed] { *owed = true; });
    QObject::connect(&engine, &PlaylistEngine::changed, receiver, [owed, refresh = std::move(refresh)] {
        if (!*owed)
            return;
        *owed = false;
        refresh();
    });
}

} // namespace tessarin

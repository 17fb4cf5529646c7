#pragma once
// Displays for tests: screens and modes as the test sets them; records every
// switch and can refuse them. Screens point at the offscreen platform's real
// QScreen, so windows can open on them.
#include "platform/Displays.h"

#include <QGuiApplication>

#include <map>
#include <vector>

namespace tessarin::test {

class FakeDisplays final : public Displays {
public:
    struct Switch {
        quint32 screenId;
        VideoMode mode;
    };

    std::vector<DisplayScreen> list;
    std::optional<quint32> main;
    std::map<quint32, std::vector<VideoMode>> modeLists;
    std::map<quint32, VideoMode> current;
    std::vector<Switch> switches;
    bool refuse = false;

    // Adds a screen with this id and name on the platform's primary screen.
    void addScreen(quint32 id, const QString& name)
    {
        list.push_back({id, name, QGuiApplication::primaryScreen()});
    }

    std::vector<DisplayScreen> screens() const override { return list; }
    std::optional<quint32> mainScreenId() const override { return main; }
    std::vector<VideoMode> modes(quint32 id) const override
    {
        auto it = modeLists.find(id);
        return it == modeLists.end() ? std::vector<VideoMode>{} : it->second;
    }
    std::optional<VideoMode> currentMode(quint32 id) const override
    {
        auto it = current.find(id);
        if (it == current.end())
            return std::nullopt;
        return it->second;
    }
    bool setMode(quint32 id, const VideoMode& mode) override
    {
        switches.push_back({id, mode});
        if (refuse)
            return false;
        current[id] = mode;
        return true;
    }
};

} // namespace tessarin::test

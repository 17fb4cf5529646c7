#pragma once
// Displays for tests: screens and modes as the test sets them; records every
// switch and can refuse them. Screens point at the offscreen platform's real
// QScreen, so windows can open on them.
#include "platform/Displays.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

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

    // Unplugs a screen in the order Qt 6.4 takes (QWindowSystemInterface::
    // handleScreenRemoved): the screen leaves the list, screenRemoved is
    // emitted while it still exists, then every top-level window still on
    // it is moved to the primary screen. All fake screens share one QScreen,
    // so the windows moved are those that would cover whatever is there:
    // the visible ones that stay on top. Returns them.
    std::vector<QWidget*> unplug(quint32 id)
    {
        std::erase_if(list, [id](const DisplayScreen& s) { return s.id == id; });
        if (main == id)
            main = list.empty() ? std::nullopt : std::optional<quint32>(list.front().id);
        emit qGuiApp->screenRemoved(QGuiApplication::primaryScreen());
        std::vector<QWidget*> moved;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && (widget->windowFlags() & Qt::WindowStaysOnTopHint))
                moved.push_back(widget);
        }
        return moved;
    }
    // Plugs a screen back: listed, then screenAdded.
    void plug(quint32 id, const QString& name)
    {
        addScreen(id, name);
        emit qGuiApp->screenAdded(QGuiApplication::primaryScreen());
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

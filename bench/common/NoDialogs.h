#pragma once

#include "show/ShowDialogs.h"

#include <cstdio>

namespace tessarin::bench {

// Show dialogs for a benchmark: no panel is ever chosen, changes are never
// saved, and a warning is printed so that a run that met one says so.
class NoDialogs final : public ShowDialogs {
public:
    std::optional<QString> chooseShowToOpen(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> chooseShowToSave(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    void warn(const QString& title, const QString& text) override
    {
        std::printf("warning: %s: %s\n", qPrintable(title), qPrintable(text));
    }
    SaveAnswer askToSaveChanges(const QString&, const QString&) override { return SaveAnswer::dontSave; }
};

} // namespace tessarin::bench

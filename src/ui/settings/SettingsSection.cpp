#include "ui/settings/SettingsSection.h"

#include <QCoreApplication>

namespace tessarin::settings_section {
namespace {

// Texts of this file, looked up as SettingsSection's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(SettingsSection)
};

struct Info {
    const char* raw;
    const char* symbol;
};

constexpr Info kInfo[] = {
    { "streaming", "dot.radiowaves.up.forward" }, { "output", "tv" },
    { "atem", "dot.radiowaves.left.and.right" },   { "shortcuts", "keyboard" },
    { "schedule", "calendar.badge.clock" },        { "language", "globe" },
};

const Info& info(SettingsSection section) { return kInfo[static_cast<int>(section)]; }

} // namespace

QString rawValue(SettingsSection section) { return QString::fromLatin1(info(section).raw); }

std::optional<SettingsSection> fromRawValue(const QString& raw)
{
    for (SettingsSection section : allCases) {
        if (raw == QLatin1String(info(section).raw))
            return section;
    }
    return std::nullopt;
}

QString title(SettingsSection section)
{
    switch (section) {
    case SettingsSection::streaming: return QStringLiteral("Streaming");
    case SettingsSection::output: return Texts::tr("Uscita esterna");
    case SettingsSection::atem: return Texts::tr("Regia ATEM");
    case SettingsSection::shortcuts: return Texts::tr("Scorciatoie");
    case SettingsSection::schedule: return Texts::tr("Palinsesto");
    case SettingsSection::language: return Texts::tr("Lingua");
    }
    return {};
}

QString symbol(SettingsSection section) { return QString::fromLatin1(info(section).symbol); }

} // namespace tessarin::settings_section

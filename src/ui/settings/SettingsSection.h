#pragma once
// The pages of the settings window in sidebar order, with the raw values
// the selected page is stored under, their titles and sidebar symbols.
#include <QString>

#include <array>
#include <optional>

namespace tessarin {

enum class SettingsSection { streaming, output, atem, shortcuts, schedule, language };

namespace settings_section {

// Every section in sidebar order.
constexpr std::array<SettingsSection, 6> allCases { SettingsSection::streaming, SettingsSection::output,
                                                    SettingsSection::atem,      SettingsSection::shortcuts,
                                                    SettingsSection::schedule,  SettingsSection::language };

// "streaming", "output", "atem", "shortcuts", "schedule", "language".
QString rawValue(SettingsSection section);
// Exactly the six raw values; anything else is absent.
std::optional<SettingsSection> fromRawValue(const QString& raw);
// The localised title ("Streaming" is the same in every language). Main thread.
QString title(SettingsSection section);
// The sidebar symbol (an icon name of Icons).
QString symbol(SettingsSection section);

} // namespace settings_section

} // namespace tessarin

#pragma once
// The browser column's two tabs, in display order. Main thread.
#include <QString>

#include <array>

namespace tessarin {

enum class BrowserTab { media, sources };

namespace BrowserTabs {
inline constexpr std::array<BrowserTab, 2> allCases { BrowserTab::media, BrowserTab::sources };
// "media", "sources".
QString rawValue(BrowserTab tab);
// The tab's localised label.
QString title(BrowserTab tab);
} // namespace BrowserTabs

} // namespace tessarin

#pragma once
// The program's names, set before the application object is made so that
// everything made after reads them: the organisation and application name
// (the settings' folder and file, and on X11 the class of every window,
// which the desktop entry names as its StartupWMClass so docks and task
// switchers match the window to the entry and its icon), the name shown,
// the version and the desktop entry's own name (Wayland's application id).
namespace tessarin::AppIdentity {

inline constexpr const char* kName = "Vellumcast";
inline constexpr const char* kDisplayName = "Tessarin";
inline constexpr const char* kDesktopEntry = "tessarin";

void apply();

} // namespace tessarin::AppIdentity

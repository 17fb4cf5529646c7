#pragma once
// Whether the desktop blends translucent windows over what lies below them.
// On X11 only while a compositing manager runs (it owns the selection
// _NET_WM_CM_S<screen>): without one, whatever a translucent window leaves
// transparent shows black. Other platforms (Wayland) always blend. Asked
// anew at each call, since a compositing manager can start or stop at any
// time. Main thread.
#include <optional>

namespace tessarin::Compositing {

bool blendsTranslucentWindows();

// Makes blendsTranslucentWindows() answer this (tests, pictures of the
// interface); nullopt asks the desktop again.
void assume(std::optional<bool> blends);

} // namespace tessarin::Compositing

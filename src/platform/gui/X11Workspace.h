#pragma once

class QWindow;

// The workspaces (virtual desktops) of the X11 window manager. Does nothing on another platform.
namespace X11Workspace {

// Moves `window` to the workspace on screen when it stands on another one, where the window
// manager keeps it unmapped and refuses an application's activation of it. A window on every
// workspace, or not yet shown, stays as it is.
void moveHere(QWindow* window);

} // namespace X11Workspace

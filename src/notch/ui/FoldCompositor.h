#pragma once

struct xcb_connection_t;

// Whether a compositing manager runs, so that a translucent window shows what lies beneath it.
// Without one the fold fades the window instead of morphing it.
namespace FoldCompositor {

// The owner of the X11 screen's _NET_WM_CM_S<n> selection is the compositing manager.
bool running(xcb_connection_t* connection, int screen);
// Over the application's own X11 connection; off X11, whether the platform blends windows.
bool running();

} // namespace FoldCompositor

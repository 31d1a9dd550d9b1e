#pragma once

#include <QRegion>

class QWindow;

// What a floating panel asks of the X11 window manager, server and compositor: to stand above
// other windows on every workspace, out of the taskbar and the pager, to cast no shadow, and to
// take the pointer only inside its drawn shape. Does nothing on another platform.
namespace X11Panel {

// Before the window is first shown (its native window exists by then).
void prepare(QWindow* window);
// Once the window is shown, when a window manager has framed it: the frame asks for no shadow too.
void shown(QWindow* window);
// Pointer input reaches the window only inside `region` (window coordinates, device-independent).
void setInputShape(QWindow* window, const QRegion& region);
// Whether a compositing manager runs, so that translucent windows show what is behind them.
bool compositing();

} // namespace X11Panel

#pragma once

#include "platform/gui/WindowList.h"

#include <QList>
#include <QSize>

// Whether another application fills a screen in front.
namespace FullScreen {

// True when the active window belongs to another process than `ownPid` and one of that
// process's windows on screen is full screen or exactly as large as one of the screens.
bool inFront(const WindowList::Snapshot& snapshot, qint64 ownPid, const QList<QSize>& screens);

// The rule over the desktop's windows now and the application's screens.
bool inFront();

} // namespace FullScreen

#pragma once

#include <QRectF>

#include <functional>

class QWidget;

// How the main window goes into the island and comes back out of it. Rectangles are global,
// top-left origin: the folded island's, or the open island's the window grows out of. `island`,
// when set, is the island's window, faded out while the main window grows out of it; `done`
// runs once, when the window stands or the growth was cut short (the window gone with it).
class MainWindowFold {
public:
    virtual ~MainWindowFold() = default;
    virtual void foldInto(QRectF islandRect) = 0;
    virtual void growFrom(QRectF islandRect, QWidget* island, std::function<void()> done) = 0;
};

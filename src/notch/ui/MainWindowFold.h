#pragma once

#include <QRectF>

// How the main window goes into the island and comes back out of it. Rectangles are global,
// top-left origin: the island's on the screen, or the folded island's where none is up.
class MainWindowFold {
public:
    virtual ~MainWindowFold() = default;
    virtual void foldInto(QRectF islandRect) = 0;
    virtual void growFrom(QRectF islandRect) = 0;
};

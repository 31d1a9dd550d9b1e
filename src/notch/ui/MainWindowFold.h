#pragma once

#include <QRectF>

// How the main window goes into the island and comes back out of it. Rectangles are global,
// top-left origin: the folded island's, or the open island's the window grows out of.
class MainWindowFold {
public:
    virtual ~MainWindowFold() = default;
    virtual void foldInto(QRectF islandRect) = 0;
    virtual void growFrom(QRectF islandRect) = 0;
};


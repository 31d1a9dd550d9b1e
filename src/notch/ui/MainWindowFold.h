#pragma once

#include <QPointer>
#include <QRectF>
#include <QWidget>

// How the main window goes into the island and comes back out of it. Rectangles are global,
// top-left origin: the folded island's, or the open island's the window grows out of.
class MainWindowFold {
public:
    virtual ~MainWindowFold() = default;
    virtual void foldInto(QRectF islandRect) = 0;
    virtual void growFrom(QRectF islandRect) = 0;
};

// Without the animated fold: the window is simply hidden and brought forward again.
class PlainMainWindowFold final : public MainWindowFold {
public:
    explicit PlainMainWindowFold(QWidget* window) : window_(window) {}
    void foldInto(QRectF islandRect) override;
    void growFrom(QRectF islandRect) override;

private:
    QPointer<QWidget> window_;
};

#pragma once

#include <QHash>
#include <QMargins>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QWidget>

// The elements of a screen that the guided tour points at. A widget is marked under a name
// wherever it is made; the screen's registry collects the marks of its shown widgets. Of two
// widgets marked under one name, the later mark wins. GUI thread only.
class TourAnchors : public QObject {
    Q_OBJECT
public:
    // Collects the marks of widgets inside `root`; belongs to it.
    explicit TourAnchors(QWidget* root);

    // Marks `widget` under `name` (an empty name takes its mark away); `inset` leaves out room
    // the widget keeps around what it shows (a shadow's).
    static void mark(QWidget* widget, const QString& name, QMargins inset = {});
    // Gives `name` to `widget` alone, or to no widget when it is null.
    static void move(QWidget* widget, const QString& name);

    // The shown marked widgets inside the root, by name, as rectangles in `space`.
    QHash<QString, QRectF> collect(const QWidget* space) const;

private:
    QWidget* root_;
};
